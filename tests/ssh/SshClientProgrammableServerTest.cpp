// The SSH client against a programmable SSH server (asyncssh), for what OpenSSH
// does not show on demand. The user name picks the server's behaviour.
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "domain/CommonTestErrors.h"
#include "fixtures/AsyncsshFixture.h"
#include "result/SshTestErrorKeys.h"
#include "ssh/SshClientTestSupport.h"

namespace {

namespace CommonTestErrors = VekLibrary::VekDomain::DataKeys::CommonTestErrors;
namespace SshTestErrorKeys = Ssh::SshTestErrorKeys;
using VekTest::ClientRequest;
using VekTest::ClientRun;
using VekTest::RunClient;

constexpr std::int64_t kSlackMs = 100;

ClientRun RunScenario(const std::string& scenario, std::int64_t budget = 10000,
                      std::string commands = "true\n", unsigned long maximumBytes = 1024 * 1024) {
    const VekTest::AsyncsshEndpoint server = VekTest::ReadAsyncsshEndpoint();
    ClientRequest request;
    request.host = server.host;
    request.port = server.port;
    request.user = scenario;
    request.password = server.password;
    request.commands = std::move(commands);
    request.maximumBytes = maximumBytes;
    request.budget = budget;
    return RunClient(request);
}

struct FailureCase {
    const char* scenario;
    std::int64_t budget;
    std::string commands;
    std::string raised;
    std::string key;
    std::string details;
};

TEST(SshClientProgrammableServerTest, FailuresCarryTheirKeyAndDetails) {
    const std::string longText(200 * 1024, 'x');
    const FailureCase cases[] = {
        {"expired", 5000, "true\n", "User authentication failed. Error : Password expired (-15).",
         SshTestErrorKeys::PasswordExpiredError, "User authentication failed with status: -15"},
        {"slowauth", 1000, "true\n", "User authentication failed. Error : Request timed out (-9).",
         CommonTestErrors::TooMuchTimeError, "User authentication failed with status: -9"},
        {"nochannel", 5000, "true\n",
         "could not create channel for command execution. Error : Unable to allocate memory "
         "(-6).",
         SshTestErrorKeys::CommandExecutionFailedError,
         "could not create channel for command execution. Error : Unable to allocate memory "
         "(-6)."},
        {"noshell", 5000, "true\n",
         "Commands could not be executed. Error : Channel request denied (-22).",
         SshTestErrorKeys::CommandExecutionFailedError,
         "Commands could not be executed. Error : Channel request denied (-22)."},
        {"stallstdin", 1500, longText,
         "SshClient command execution timeout - A timeout occurred. Reason: Writing commands to "
         "the remote shell timed out.",
         SshTestErrorKeys::CommandExecutionTimeoutError,
         "A timeout occurred. Reason: Writing commands to the remote shell timed out."},
        {"stallclose", 5000, longText,
         "All commands could not be sent to the server. Error :  (-21).",
         SshTestErrorKeys::CommandExecutionFailedError,
         "All commands could not be sent to the server. Error :  (-21)."},
        {"silent", 1500, "true\n",
         "SshClient command execution timeout - A timeout occurred. Reason: Reading data from "
         "the remote shell timed out.",
         SshTestErrorKeys::CommandExecutionTimeoutError,
         "A timeout occurred. Reason: Reading data from the remote shell timed out."},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.scenario);
        const ClientRun run = RunScenario(c.scenario, c.budget, c.commands);
        EXPECT_EQ(run.raised, c.raised);
        EXPECT_EQ(run.result->GetError(), c.key);
        EXPECT_EQ(run.result->GetErrorDetails(), c.details);
        EXPECT_TRUE(run.result->GetAuthenticationDuration());
        EXPECT_LT(run.elapsed.count(), c.budget + kSlackMs);
    }
}

struct OutcomeCase {
    const char* scenario;
    std::string output;
    std::string returnCode;
    std::string logged;
};

TEST(SshClientProgrammableServerTest, ExitStatusOutputAndLogOfEachEnding) {
    const OutcomeCase cases[] = {
        {"slow",
         "tick 1\ntick 2\ntick 3\ntick 4\ntick 5\ntick 6\ntick 7\ntick 8\ntick 9\ntick 10\n", "0",
         "Total stdout bytes received: 71.Total stderr bytes read: 0."},
        {"stderr", "to-stdout\n", "7",
         "Total stdout bytes received: 10.Total stderr bytes read: 1000."},
        // The exit status arrives 300 ms after the server's end-of-file.
        {"latestatus", "late\n", "3", "End Reading Data."},
        {"signal", "sig\n", "143", "The remote shell was ended by signal TERM."},
        {"noexit", "bye\n", "0", "End Reading Data."},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.scenario);
        const ClientRun run = RunScenario(c.scenario);
        ASSERT_EQ(run.raised, "");
        EXPECT_EQ(run.result->GetError(), "");
        EXPECT_EQ(run.result->GetCommandExecutionResult(), c.output);
        EXPECT_EQ(run.result->GetCommandExecutionReturnCode(), c.returnCode);
        EXPECT_THAT(run.log, testing::HasSubstr(c.logged));
    }
}

TEST(SshClientProgrammableServerTest, KeepsOutputAsReceivedAndWhatArrivedBeforeATimeout) {
    {
        // Repaired only for the document: the result holds the bytes received.
        const ClientRun run = RunScenario("badutf8");
        ASSERT_EQ(run.raised, "");
        const std::string received =
            "lone \xff|cut \xe2\x82|overlong \xc0\xaf|surrogate \xed\xa0\x80|high "
            "\xf4\x90\x80\x80|end \xe2\x82";
        EXPECT_EQ(run.result->GetCommandExecutionResult(), received);
        EXPECT_EQ(run.result->GetCommandResultSize(), received.size());
    }
    {
        // "partial\n", then neither end-of-file nor exit status.
        const ClientRun run = RunScenario("hang", 1500);
        // Whichever wait sees the time run out, reading has one time-out, and the
        // output is kept.
        EXPECT_EQ(run.raised,
                  "SshClient command execution timeout - A timeout occurred. Reason: Reading "
                  "data from the remote shell timed out.");
        EXPECT_EQ(run.result->GetError(), SshTestErrorKeys::CommandExecutionTimeoutError);
        EXPECT_TRUE(run.result->GetCommandExecutionDuration());
        EXPECT_EQ(run.result->GetCommandExecutionResult(), "partial\n");
        EXPECT_EQ(run.result->GetCommandResultSize(), 8u);
        EXPECT_EQ(run.result->GetCommandExecutionReturnCode(), "");
        EXPECT_LT(run.elapsed.count(), 1500 + kSlackMs);
    }
}

TEST(SshClientProgrammableServerTest, CapturesTenMebibytes) {
    const unsigned long size = 10 * 1024 * 1024;
    const ClientRun run = RunScenario("big", 30000, "true\n", size + 1024 * 1024);
    ASSERT_EQ(run.raised, "");
    EXPECT_EQ(run.result->GetCommandResultSize(), size);
    EXPECT_EQ(run.result->GetCommandExecutionResult().size(), size);
    EXPECT_EQ(run.result->GetCommandExecutionReturnCode(), "0");
}

}  // namespace
