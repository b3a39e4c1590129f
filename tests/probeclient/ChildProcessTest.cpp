// Running a child to its end: its input and streams, its deadline, its caps, a stop
// from outside, what reaches it from the parent, and that it is always reaped.

#include <fcntl.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <optional>
#include <system_error>

#include <gtest/gtest.h>

#include "probeclient/ProbeRunner.h"

namespace {

using std::chrono::milliseconds;
using VekProbeClient::ChildCommand;
using VekProbeClient::ChildOutcome;
using VekProbeClient::Clock;
using VekProbeClient::KillReasonEnum;
using VekProbeClient::Supervision;

ChildCommand Shell(const std::string& script) {
    ChildCommand command;
    command.executable = "/bin/sh";
    command.arguments = {"-c", script};
    return command;
}

// The deadline counts from the moment this is called.
Supervision Within(milliseconds limit, int stopDescriptor = -1, milliseconds stopGrace = {}) {
    Supervision supervision;
    supervision.deadline = Clock::now() + limit;
    supervision.stopDescriptor = stopDescriptor;
    supervision.stopGrace = stopGrace;
    return supervision;
}

TEST(ChildProcessTest, EveryWayAChildEndsAndWhatReachesIt) {
    const int stop = ::eventfd(1, EFD_CLOEXEC);  // readable from the start
    ASSERT_GE(stop, 0);
    // None of these may reach a child: a descriptor that is not close-on-exec, blocked
    // signals and an ignored one.
    const int leak = ::open("/dev/null", O_RDONLY);
    sigset_t blocked;
    sigset_t previous;
    sigfillset(&blocked);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    const auto oldInt = ::signal(SIGINT, SIG_IGN);
    struct Case {
        std::string name;
        ChildCommand command;
        milliseconds limit;
        std::optional<milliseconds> stopGrace;  // with `stop`, readable from the start
        KillReasonEnum killed;
        int exitCode;  // -1: ended by `signal`
        int signal;
        std::string output;
    };
    ChildCommand echo = Shell("cat; echo \"[$A]\"; exit 3");
    echo.input = std::string("line one\n\x01\xff");
    echo.environment = std::vector<std::string>{"A=only this"};
    ChildCommand held = Shell("cat; echo end");
    held.input = std::string("no end of input");
    held.holdInputOpen = true;
    ChildCommand flood = Shell("exec yes");
    flood.maxOutputBytes = 100000;
    const std::vector<Case> cases = {
        // ls's own listing of the folder is descriptor 3. glibc keeps its two internal
        // signals (32 and 33) ignored in a spawned child; all others are default.
        {"what reaches it", Shell("ls /proc/self/fd; grep -E '^Sig(Blk|Ign)' /proc/self/status"),
         milliseconds(20000), std::nullopt, KillReasonEnum::None, 0, 0,
         "0\n1\n2\n3\nSigBlk:\t0000000000000000\nSigIgn:\t0000000180000000\n"},
        {"exits", echo, milliseconds(20000), std::nullopt, KillReasonEnum::None, 3, 0,
         "line one\n\x01\xff[only this]\n"},
        {"signalled", Shell("kill -TERM $$"), milliseconds(20000), std::nullopt,
         KillReasonEnum::None, -1, SIGTERM, ""},
        {"deadline", Shell("exec sleep 30"), milliseconds(300), std::nullopt,
         KillReasonEnum::Deadline, -1, SIGKILL, ""},
        {"input held open", held, milliseconds(300), std::nullopt, KillReasonEnum::Deadline, -1,
         SIGKILL, "no end of input"},
        {"output cap", flood, milliseconds(20000), std::nullopt, KillReasonEnum::OutputTooLarge, -1,
         SIGKILL, std::string(100000, 'y')},
        {"stop", Shell("exec sleep 30"), milliseconds(20000), milliseconds(200),
         KillReasonEnum::Stop, -1, SIGKILL, ""},
        {"deadline within the stop's grace", Shell("exec sleep 30"), milliseconds(300),
         milliseconds(20000), KillReasonEnum::Stop, -1, SIGKILL, ""},
        {"ends within the stop's grace", Shell("sleep 0.2; exit 4"), milliseconds(20000),
         milliseconds(20000), KillReasonEnum::None, 4, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ChildOutcome outcome = VekProbeClient::RunChild(
            c.command,
            Within(c.limit, c.stopGrace ? stop : -1, c.stopGrace.value_or(milliseconds())));
        EXPECT_EQ(outcome.killed, c.killed);
        EXPECT_EQ(outcome.exited, c.exitCode >= 0);
        EXPECT_EQ(outcome.exitCode, c.exitCode);
        EXPECT_EQ(outcome.signal, c.signal);
        if (c.name == "input held open") {
            // Never an end of input; how much cat echoed before the kill depends on load.
            EXPECT_EQ(c.output.rfind(outcome.standardOutput, 0), 0u) << outcome.standardOutput;
        } else if (c.name == "output cap") {
            EXPECT_EQ(outcome.standardOutput.substr(0, 10), "y\ny\ny\ny\ny\n");
            EXPECT_EQ(outcome.standardOutput.size(), 100000u);
        } else {
            EXPECT_EQ(outcome.standardOutput, c.output);
        }
        // Killed children end at once; the slack is for busy machines.
        EXPECT_LT(outcome.elapsed, milliseconds(15000));
        EXPECT_TRUE(outcome.reaped);
        EXPECT_EQ(::kill(outcome.pid, 0), -1) << "pid " << outcome.pid << " is still there";
        EXPECT_EQ(VekProbeClient::ChildProcess::Running(), 0);
    }
    ::signal(SIGINT, oldInt);
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::close(leak);
    ::close(stop);
}

TEST(ChildProcessTest, StandardErrorKeepsItsEndAndAStartFailureLeavesNothing) {
    ChildCommand command = Shell(
        "head -c 300000 /dev/zero | tr '\\0' e >&2; echo;"
        "echo '2026-12-08 06:19:09.264 [ERR][ID=t] Invalid test input: no' >&2; echo last >&2");
    command.maxErrorBytes = 1000;
    const ChildOutcome outcome = VekProbeClient::RunChild(command, Within(milliseconds(20000)));
    ASSERT_EQ(outcome.standardError.size(), 1000u);
    EXPECT_EQ(outcome.standardError.substr(1000 - 6), "\nlast\n");
    EXPECT_EQ(VekProbeClient::ProbeComplaint(outcome.standardError), "Invalid test input: no");
    EXPECT_EQ(VekProbeClient::ProbeComplaint("one\ntwo\n\n"), "two");
    // What went well is no complaint.
    EXPECT_EQ(VekProbeClient::ProbeComplaint(
                  "gone\n2026-12-08 06:19:09.362 [INF][ID=x] Commands written to shell.\n"),
              "gone");
    EXPECT_EQ(VekProbeClient::ProbeComplaint("2026-12-08 06:19:09.362 [DBG][ID=x] a\n"), "");

    command.executable = "/nonexistent/vek";
    EXPECT_THROW(VekProbeClient::RunChild(command, Within(milliseconds(1000))), std::system_error);
    EXPECT_EQ(VekProbeClient::ChildProcess::Running(), 0);
}

}  // namespace
