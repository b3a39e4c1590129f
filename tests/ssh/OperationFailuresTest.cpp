// What a failure means depends on the operation it ends, except for a fault of the
// connection, which is one failure everywhere; and the client's one clock moves
// its deadlines with its durations.
#include <sys/resource.h>

#include <chrono>
#include <exception>
#include <memory>
#include <string>

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
        {Op::AuthenticateUser, reset, CommonTestErrors::UnknownConnectFailureError, resetText},
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

// Runs `request`; from the moment the client logs `line` on, every poll of this
// process fails with EINVAL (one descriptor is more than a limit of 0 allows).
VekTest::ClientRun RunWithPollFault(VekTest::ClientRequest request, const std::string& line) {
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    request.onLogLine = [line, saved](const std::string& written) {
        rlimit none = saved;
        none.rlim_cur = 0;
        if (written.find(line) != std::string::npos) {
            ::setrlimit(RLIMIT_NOFILE, &none);
        }
    };
    VekTest::ClientRun run = VekTest::RunClient(request);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    return run;
}

struct SocketFaultCase {
    const char* stage;
    // The server's behaviour: it never answers what the client then waits for.
    std::string scenario;
    // The log line after which the client's next wait is in that stage.
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
    // The server sends its banner and then nothing: only the deadline ends the key
    // exchange. An hour later on the client's clock, it has passed.
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
