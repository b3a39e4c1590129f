#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace VekExporter {

// One run of the probe binary, as the exporter asks for it.
struct ProbeRunRequest {
    std::string executable;
    // The JSON line for the probe's standard input. It holds credentials: the runner
    // hands it to the child's standard input only, never to its arguments or
    // environment.
    std::string input;
    // When the child is killed if it is still running.
    std::chrono::steady_clock::time_point killAt;
    // Texts that must not appear in the log (see MaskSecrets).
    std::vector<std::string> secrets;
    // A standard output longer than this is cut off and the child killed.
    std::size_t maxDocumentBytes = 64u << 20;
};

// What became of it. The child has been reaped, or handed to a reaper, when Run
// returns.
struct ProbeRunOutcome {
    bool exited = false;
    int exitCode = -1;
    // The signal that ended the child; 0 when it exited.
    int signal = 0;
    // True when the runner killed it (its time was up or the exporter is ending).
    bool killed = false;
    std::string standardOutput;
    // The last non-empty line the child wrote to standard error, already masked.
    std::string lastErrorLine;
    std::chrono::steady_clock::duration elapsed{};
};

// Runs the probe binary as a child process. Implementations are shared by every
// scrape and must allow concurrent calls. Run throws std::system_error only when
// the child cannot be started at all.
class IProbeRunner {
public:
    virtual ~IProbeRunner() = default;
    virtual ProbeRunOutcome Run(const ProbeRunRequest& request) = 0;
    // Children started and not yet reaped.
    virtual long RunningProcesses() const = 0;
};

}  // namespace VekExporter
