#pragma once

#include <optional>
#include <string>

#include "exporter/ModuleConfig.h"
#include "probeclient/OutputPattern.h"
#include "probeclient/ProbeDocument.h"

namespace VekExporter {

// The error code of a probe that wrote no usable document.
constexpr const char* kProbeFailedCode = "probe-failed";

// The metrics of one probe in the text format. `document` is empty when the
// probe failed (exit code 1, killed, or no document): then probe_success is 0
// and probe_ssh_error_info carries "probe-failed". The captured output is never
// a label; the module's output_metric_regex may turn it into a value.
std::string RenderProbeMetrics(const std::optional<VekProbeClient::ProbeDocument>& document,
                               double durationSeconds, const ModuleConfig& module);

// The first match's capture group of `pattern` in `output`, as a number; empty
// when nothing matches or the group is not a number.
std::optional<double> OutputValue(const VekProbeClient::OutputPattern& pattern,
                                  const std::string& output);

}  // namespace VekExporter
