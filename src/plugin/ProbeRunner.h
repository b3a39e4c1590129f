#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace VekPlugin {

struct ProbeRunRequest {
    std::string program;
    // Written to the probe's standard input, which is closed afterwards.
    std::string input;
    // The probe's environment, "NAME=value" each.
    std::vector<std::string> environment;
    // From the start: when the probe is still running then, it is killed.
    std::chrono::milliseconds limit{15000};
};

struct ProbeRunResult {
    pid_t pid = -1;
    std::string standardOutput;
    std::string standardError;
    bool exited = false;
    int exitCode = -1;
    // The signal that ended the probe; 0 when it exited.
    int signal = 0;
    // True when the limit ended the probe.
    bool killed = false;
};

// Runs the probe with posix_spawn: writes the input into its standard input,
// reads its standard output (at most kMaxDocumentBytes) and standard error (the
// first kMaxStandardErrorBytes are kept) until both close, kills it with SIGKILL
// at the limit and always reaps it. Every wait is bounded by the limit on the
// monotonic clock, plus a short grace after the kill. The probe starts with an
// empty signal mask and default signal dispositions. Throws std::runtime_error
// when the probe cannot be started.
ProbeRunResult RunProbeProcess(const ProbeRunRequest& request);

inline constexpr std::size_t kMaxDocumentBytes = 16 * 1024 * 1024;
inline constexpr std::size_t kMaxStandardErrorBytes = 65536;

}  // namespace VekPlugin
