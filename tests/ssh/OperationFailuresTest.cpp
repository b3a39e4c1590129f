// What a failure means depends on the operation it ends, except for a fault of the
// connection, which is one failure everywhere; and the client's one clock moves
// its deadlines with its durations. The faults are real: every poll of the process
// fails while the descriptor limit is 0.
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
#include "ssh/SshClientErrors.h"
#include "ssh/SshClientTestSupport.h"
#include "ssh/XHostKeyMismatchError.h"

namespace {

namespace CommonTestErrors = VekLibrary::VekDomain::DataKeys::CommonTestErrors;
using Op = Ssh::ClientOperationEnum;
using VekLibrary::XTestTimeout;
using VekLibrary::Networking::XConnectError;

struct Outcome {
    std::string key;
    std::string details;
    std::string raised;
};

Outcome Handled(Op operation, const std::exception_ptr& failure) {
    Ssh::SshTestResult result;
    Outcome outcome{"", "", "nothing raised"};
    try {
        Ssh::RecordAndRaise(operation, failure, result);
    } catch (const std::exception& error) {
        outcome.raised = error.what();
    }
    outcome.key = result.GetError();
    outcome.details = result.GetErrorDetails();
    return outcome;
}

TEST(OperationFailuresTest, TheOperationGivesAFailureItsMeaning) {
    const auto timeout = std::make_exception_ptr(XTestTimeout("late"));
    const std::string late = "A timeout occurred. Reason: late";
    const Outcome connect = Handled(Op::Connect, timeout);
    EXPECT_EQ(connect.key, CommonTestErrors::TooMuchTimeError);
    EXPECT_EQ(connect.raised, "SshClient connect timeout - " + late);
    const Outcome commands = Handled(Op::ExecuteCommands, timeout);
    EXPECT_EQ(commands.key, Ssh::SshTestErrorKeys::CommandExecutionTimeoutError);
    EXPECT_EQ(commands.raised, "SshClient command execution timeout - " + late);
    // Authentication reports its time-out as the library's code; a bare one is no
    // failure it knows, and is raised again untouched.
    EXPECT_EQ(Handled(Op::AuthenticateUser, timeout).key, "");
    EXPECT_EQ(Handled(Op::AuthenticateUser, timeout).raised, late);

    const Outcome refused = Handled(
        Op::Connect, std::make_exception_ptr(Ssh::XHostKeyMismatchError("Host key X is not it.")));
    EXPECT_EQ(refused.key, Ssh::SshTestErrorKeys::HostKeyMismatchError);
    EXPECT_EQ(refused.details, "Host key X is not it.");
    EXPECT_EQ(refused.raised, "SshClient host key mismatch - Host key X is not it.");

    // A library failure keeps its type and text: the caller sees what was recorded.
    Ssh::SshTestResult result;
    EXPECT_THROW(Ssh::GuardOperation(Op::AuthenticateUser, result,
                                     [] { throw Ssh::XLibssh2Error("Denied.", -18); }),
                 Ssh::XLibssh2Error);
    EXPECT_EQ(result.GetErrorDetails(), "User authentication failed with status: -18");

    const std::string broken = "Connection to 192.0.2.7 failed. Reason: reset";
    for (const Op operation : {Op::Connect, Op::AuthenticateUser, Op::ExecuteCommands}) {
        const Outcome fault =
            Handled(operation, std::make_exception_ptr(XConnectError("192.0.2.7", "reset")));
        EXPECT_EQ(fault.key, CommonTestErrors::UnknownConnectFailureError);
        EXPECT_EQ(fault.details, broken);
        EXPECT_EQ(fault.raised, "SshClient TCP connection error - " + broken);
    }
}

// Every poll of this process fails with EINVAL from Start on (a poll of one
// descriptor is more than a limit of 0 allows) until the object goes.
class PollFault final {
public:
    PollFault() { ::getrlimit(RLIMIT_NOFILE, &saved_); }
    ~PollFault() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
    PollFault(const PollFault&) = delete;
    PollFault& operator=(const PollFault&) = delete;

    void Start() {
        rlimit none = saved_;
        none.rlim_cur = 0;
        ::setrlimit(RLIMIT_NOFILE, &none);
    }

private:
    rlimit saved_{};
};

// Starts `fault` once the client logs `line`.
std::function<void(const std::string&)> When(const std::string& line, PollFault& fault) {
    return [line, &fault](const std::string& written) {
        if (written.find(line) != std::string::npos) {
            fault.Start();
        }
    };
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
        VekTest::ClientRun run;
        {
            PollFault fault;
            request.onLogLine = When(c.startsAfter, fault);
            run = VekTest::RunClient(request);
        }
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
