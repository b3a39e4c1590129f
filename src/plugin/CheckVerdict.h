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

// Judges one result document against the options: the probe's error key by
// MeaningOf, the host key against --host-key, -w/-c on
// the total time of a test that completed, the stage thresholds on every stage
// that ran, -r and -P against the server identification, --weak-algorithms and
// --terrapin against the server's offer, and --expect-exit and -e against a
// command that ran to its end.
CheckVerdict Evaluate(const PluginOptions& options, const VekProbeClient::ProbeDocument& outcome);

// Whose fault an error key of the probe is: the server's (CRITICAL), the plugin's
// own configuration or machine (UNKNOWN), or a budget that ran out (--timeout-state).
enum class ErrorKindEnum { Server, Local, Timeout };

struct ErrorMeaning {
    std::string key;
    // The words of the status line for it.
    std::string text;
    ErrorKindEnum kind;
};

// Every error key the probe defines, with its meaning.
const std::vector<ErrorMeaning>& ErrorMeanings();

// The meaning of `key` with its details: an authentication that failed on the
// private key itself (-16, -48) is a local fault; a key the probe does not define
// is the server's fault, or a time-out when it ends in "-timeout".
ErrorMeaning MeaningOf(const std::string& key, const std::string& details);

PluginStateEnum StateOf(ErrorKindEnum kind, const PluginOptions& options);

// True for the error keys of a budget that ran out.
bool IsTimeoutErrorKey(const std::string& key);

// "0.092" for 92 ms.
std::string FormatSeconds(long long milliseconds);

}  // namespace VekPlugin
