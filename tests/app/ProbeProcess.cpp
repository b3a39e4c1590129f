#include "app/ProbeProcess.h"

#include <signal.h>

#include <algorithm>
#include <utility>

#include "probeclient/ProbeRunner.h"

namespace VekTest {

namespace {

using std::chrono::milliseconds;
using VekProbeClient::ChildProcess;
using VekProbeClient::Clock;

// The program itself, or a shell that sets up the standard streams as asked and
// then replaces itself by the program, which so keeps the shell's process id.
VekProbeClient::ChildCommand CommandOf(const std::string& program, const ProbeRequest& request) {
    VekProbeClient::ChildCommand command;
    command.executable = program;
    command.arguments = request.arguments;
    const bool devNull = request.stdinMode == ProbeStdin::DevNull;
    if (devNull || request.startWithoutStdout) {
        command.executable = "/bin/sh";
        command.arguments = {"-c",
                             std::string(devNull ? "exec </dev/null; " : "") +
                                 (request.startWithoutStdout ? "exec >&-; " : "") +
                                 "exec \"$0\" \"$@\"",
                             program};
        command.arguments.insert(command.arguments.end(), request.arguments.begin(),
                                 request.arguments.end());
    }
    if (request.stdinMode == ProbeStdin::Text) {
        command.input = request.stdinText;
    }
    command.holdInputOpen = request.stdinMode == ProbeStdin::SilentPipe;
    command.maxErrorBytes = VekProbeClient::kMaxDocumentBytes;
    return command;
}

}  // namespace

ProbeRun RunProbe(const std::string& program, const ProbeRequest& request) {
    ChildProcess child(CommandOf(program, request));
    const Clock::time_point start = Clock::now();
    if (request.closeStdout) {
        child.CloseOutput();
    }
    const pid_t pid = child.Pid();
    std::vector<std::pair<Clock::time_point, std::function<void()>>> moments;
    if (request.terminateAfter) {
        moments.emplace_back(start + *request.terminateAfter, [pid] { ::kill(pid, SIGTERM); });
    }
    if (request.inspectAfter && request.inspect) {
        moments.emplace_back(start + *request.inspectAfter,
                             [pid, &request] { request.inspect(pid); });
    }
    std::sort(moments.begin(), moments.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [at, action] : moments) {
        if (child.Pump(at) == ChildProcess::PumpEnum::Finished) {
            break;
        }
        action();
    }
    VekProbeClient::Supervision supervision;
    supervision.deadline = start + request.killAfter;
    VekProbeClient::ChildOutcome outcome = VekProbeClient::Supervise(child, supervision);

    ProbeRun run;
    run.pid = outcome.pid;
    run.standardOutput = std::move(outcome.standardOutput);
    run.standardError = std::move(outcome.standardError);
    run.exited = outcome.exited;
    run.exitCode = outcome.exitCode;
    run.signal = outcome.signal;
    run.killed = outcome.killed != VekProbeClient::KillReasonEnum::None;
    run.elapsed = std::chrono::duration_cast<milliseconds>(outcome.elapsed);
    return run;
}

}  // namespace VekTest
