#pragma once

#include <optional>
#include <string>

#include "plugin/CheckVerdict.h"
#include "plugin/PluginOptions.h"
#include "plugin/ReportLimits.h"
#include "probeclient/ProbeDocument.h"

namespace VekPlugin {

// The whole standard output of a check that got a result document:
//   "SSH <STATE> - <text>|<performance data>\n" and the captured output, cut to
// kLongOutputBytes, on the lines after it. <text> is "<host>:<port>
// [<server identification> ][(kex ..., host key ..., cipher ..., MAC ...) ]in
// <seconds> s" (the algorithms for a handshake-only check) when no reason was
// found, else the
// reasons, "; "-separated. A "|" in any text becomes U+00A6 (broken bar), since a
// "|" on any line starts performance data.
std::string FormatReport(const PluginOptions& options, const VekProbeClient::ProbeDocument& outcome,
                         const CheckVerdict& verdict);

// "SSH UNKNOWN - <reason>\n" for a check that got no result document.
std::string FormatUnknown(const std::string& reason);

// The performance data: time (`timeMilliseconds`, by default the sum of the
// stages), the stages that ran and, when the command stage ran, output_bytes, each
// "'label'=value[UOM];[warn];[crit];[min];[max]" with the empty fields at the end
// left out.
std::string FormatPerformanceData(const PluginOptions& options,
                                  const VekProbeClient::ProbeDocument& outcome,
                                  std::optional<long long> timeMilliseconds = std::nullopt);

// A label in single quotes, a quote inside it doubled.
std::string QuoteLabel(const std::string& label);

}  // namespace VekPlugin
