// A failure means what its operation makes of it, a connection fault the same
// everywhere; and the client's one clock moves its deadlines with its durations.
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <exception>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "domain/CommonTestErrors.h"
#include "domain/Exceptions.h"
#include "fixtures/AsyncsshFixture.h"
#include "fixtures/LoopbackServer.h"
#include "fixtures/TestClock.h"
#include "networking/NetworkErrors.h"
#include "result/SshTestErrorKeys.h"
#include "ssh/OperationFailures.h"
#include "ssh/SshClientTestSupport.h"
#include "ssh/XHostKeyMismatchError.h"

namespace {

namespace CommonTestErrors = VekLibrary::VekDomain::DataKeys::CommonTestErrors;
using Op = Ssh::ClientOperationEnum;
using VekLibrary::XTestTimeout;
using VekLibrary::Networking::XConnectError;

// The same failure in different operations: the operation decides what it means,
// except for a fault of the connection, which means the same everywhere. Whatever
// is recorded, the caller's text ends with the recorded details.
TEST(OperationFailuresTest, TheOperationGivesAFailureItsMeaning) {
    struct Case {
        Op operation;
        std::exception_ptr failure;
        std::string key;
        std::string raised;
    };
    const auto late = std::make_exception_ptr(XTestTimeout("late"));
    const std::string lateText = "A timeout occurred. Reason: late";
    const auto reset = std::make_exception_ptr(XConnectError("192.0.2.7", "reset"));
    const std::string resetText =
        "SshClient TCP connection error - Connection to 192.0.2.7 failed. Reason: reset";
    const Case cases[] = {
        {Op::Connect, late, CommonTestErrors::TooMuchTimeError,
         "SshClient connect timeout - " + lateText},
        {Op::ExecuteCommands, late, Ssh::SshTestErrorKeys::CommandExecutionTimeoutError,
         "SshClient command execution timeout - " + lateText},
        // Authentication times out with the library's code; a bare time-out is no
        // failure it knows and goes on untouched.
        {Op::AuthenticateUser, late, "", lateText},
        {Op::Connect, std::make_exception_ptr(Ssh::XHostKeyMismatchError("Host key X is wrong.")),
         Ssh::SshTestErrorKeys::HostKeyMismatchError,
         "SshClient host key mismatch - Host key X is wrong."},
        {Op::Connect, reset, CommonTestErrors::UnknownConnectFailureError, resetText},
        {Op::ExecuteCommands, reset, CommonTestErrors::UnknownConnectFailureError, resetText},
    };
    for (const Case& c : cases) {
        Ssh::SshTestResult result;
        std::string raised = "nothing raised";
        try {
            Ssh::RecordAndRaise(c.operation, c.failure, result);
        } catch (const std::exception& error) {
            raised = error.what();
        }
        EXPECT_EQ(result.GetError(), c.key) << raised;
        EXPECT_EQ(raised, c.raised);
        const std::string& details = result.GetErrorDetails();
        EXPECT_EQ(raised.substr(raised.size() - details.size()), details);
    }
}

// Runs `request` on a thread of its own; from the moment the client logs `line`
// on, every poll of that thread fails with EINVAL (a seccomp filter of the thread,
// which ends with it).
VekTest::ClientRun RunWithPollFault(VekTest::ClientRequest request, const std::string& line) {
    static sock_filter filter[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                                   BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_poll, 1, 0),
                                   BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_ppoll, 0, 1),
                                   BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EINVAL),
                                   BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)};
    static sock_fprog program{sizeof(filter) / sizeof(filter[0]), filter};
    request.onLogLine = [&line](const std::string& written) {
        if (written.find(line) != std::string::npos) {
            EXPECT_EQ(::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0), 0);
            EXPECT_EQ(::syscall(__NR_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program), 0);
        }
    };
    VekTest::ClientRun run;
    std::thread([&] { run = VekTest::RunClient(request); }).join();
    return run;
}

// In each stage the server never answers what the client waits for after `startsAfter`.
struct SocketFaultCase {
    const char* stage;
    std::string scenario;
    std::string startsAfter;
    bool authenticationTimed;
    bool commandTimed;
};

TEST(OperationFailuresTest, EveryStageReportsAFailedWaitAsAConnectionFailure) {
    const std::string details =
        "Connection to 127.0.0.1 failed. Reason: Poll error on the TCP connection: "
        "Invalid argument";
    const SocketFaultCase cases[] = {
        {"key exchange", "", "Server banner exchange completed successfully.", false, false},
        {"authentication", "slowauth", "SSH handshake completed successfully.", true, false},
        {"command output", "silent", "Start Reading Data.", true, true},
    };
    VekTest::LoopbackServer kexHold(VekTest::SendThenHold("SSH-2.0-OpenSSH_9.2\r\n"));
    for (const SocketFaultCase& c : cases) {
        SCOPED_TRACE(c.stage);
        VekTest::ClientRequest request;
        request.port = kexHold.Port();
        if (!c.scenario.empty()) {
            const VekTest::AsyncsshEndpoint server = VekTest::ReadAsyncsshEndpoint();
            request.port = server.port;
            request.user = c.scenario;
            request.password = server.password;
        }
        const VekTest::ClientRun run = RunWithPollFault(request, c.startsAfter);
        EXPECT_EQ(run.result->GetError(), CommonTestErrors::UnknownConnectFailureError);
        EXPECT_EQ(run.result->GetErrorDetails(), details);
        EXPECT_EQ(run.raised, "SshClient TCP connection error - " + details);
        EXPECT_TRUE(run.result->GetBannerExchangeDuration());
        EXPECT_EQ(static_cast<bool>(run.result->GetAuthenticationDuration()),
                  c.authenticationTimed);
        EXPECT_EQ(static_cast<bool>(run.result->GetCommandExecutionDuration()), c.commandTimed);
    }
}

TEST(OperationFailuresTest, AnInjectedClockMovesTheDeadlinesToo) {
    // After the banner only the deadline, passed an hour later on the clock, ends it.
    VekTest::LoopbackServer server(VekTest::SendThenHold("SSH-2.0-OpenSSH_9.2\r\n"));
    VekTest::ClientRequest request;
    request.port = server.Port();
    request.budget = 20000;
    const auto clock = std::make_shared<VekTest::TestClock>();
    request.clock = clock;
    request.onLogLine = [&clock](const std::string& line) {
        if (line.find("Server banner exchange completed successfully.") != std::string::npos) {
            clock->Advance(std::chrono::hours(1));
        }
    };
    const VekTest::ClientRun run = VekTest::RunClient(request);
    EXPECT_EQ(run.raised,
              "SshClient connect timeout - A timeout occurred. Reason: SSH handshake timed out.");
    EXPECT_LT(run.elapsed.count(), request.budget / 2);
}

}  // namespace
