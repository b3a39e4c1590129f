#pragma once

#include <string>
#include <vector>

#include "plugin/PluginOptions.h"
#include "plugin/PluginStateEnum.h"
#include "probeclient/ProbeDocument.h"

namespace VekPlugin {

// One reason for a state, as it appears on the status line.
struct CheckFinding {
    PluginStateEnum state = PluginStateEnum::Ok;
    std::string reason;
};

// The state of one check and the reasons that decided it: the findings of the
// winning state, in the order they were found. Empty reasons with OK: all is well.
struct CheckVerdict {
    PluginStateEnum state = PluginStateEnum::Ok;
    std::vector<std::string> reasons;
};

// Combines findings: the worst state wins and brings its reasons.
CheckVerdict Decide(const std::vector<CheckFinding>& findings);

// Judges one result document against the options: the probe's error key (a
// budget that ran out becomes --timeout-state, a host-key mismatch is always
// CRITICAL, a host key unknown to --known-hosts UNKNOWN, every other key CRITICAL), the host key against --host-key, -w/-c on
// the total time of a test that completed, the stage thresholds on every stage
// that ran, -r against the server identification, --weak-algorithms and
// --terrapin against the server's offer, and --expect-exit and -e against a
// command that ran to its end.
CheckVerdict Evaluate(const PluginOptions& options, const VekProbeClient::ProbeDocument& outcome);

// True for the error keys of a budget that ran out.
bool IsTimeoutErrorKey(const std::string& key);

// "0.092" for 92 ms.
std::string FormatSeconds(long long milliseconds);

}  // namespace VekPlugin
