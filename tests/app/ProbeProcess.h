#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace VekTest {

enum class ProbeStdin {
    // /dev/null: reads see end of input at once.
    DevNull,
    // A pipe that receives `stdinText` and is then closed.
    Text,
    // A pipe whose write end stays open and silent until the process has ended.
    SilentPipe,
};

struct ProbeRequest {
    // Without the program name.
    std::vector<std::string> arguments;
    ProbeStdin stdinMode = ProbeStdin::DevNull;
    std::string stdinText;
    // Closes the only read end of the standard output pipe right after the start,
    // so every write of the process fails.
    bool closeStdout = false;
    // Starts the process with descriptor 1 closed, as a careless caller might.
    bool startWithoutStdout = false;
    // Sends SIGTERM once this long after the start.
    std::optional<std::chrono::milliseconds> terminateAfter;
    // Calls `inspect` with the running process's id once this long after the start
    // (for example to read its /proc entries mid-test).
    std::optional<std::chrono::milliseconds> inspectAfter;
    std::function<void(pid_t)> inspect;
    // Sends SIGKILL when the process is still running this long after the start.
    std::chrono::milliseconds killAfter{30000};
};

struct ProbeRun {
    pid_t pid = -1;
    std::string standardOutput;
    std::string standardError;
    bool exited = false;
    int exitCode = -1;
    // The signal that ended the process; 0 when it exited.
    int signal = 0;
    // True when the kill-after limit ended the process.
    bool killed = false;
    std::chrono::milliseconds elapsed{0};
};

// Starts `program` with the request's arguments, feeds its standard input as
// asked, collects standard output and standard error separately until the
// process ends and reaps it. The child starts with default dispositions for
// SIGPIPE and SIGTERM and an empty signal mask, whatever the test process set.
// Throws std::runtime_error when the process cannot be started.
ProbeRun RunProbe(const std::string& program, const ProbeRequest& request);

}  // namespace VekTest
