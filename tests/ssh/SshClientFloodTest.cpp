// The SSH client against servers that send without pause: lines before the
// identification string, and SSH_MSG_IGNORE or SSH_MSG_DEBUG packets during the
// key exchange, authentication and while the command runs. The library would read for as long
// as bytes arrive; every case must still end within its budget, with a handful of
// log lines.
#include <algorithm>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "domain/CommonTestErrors.h"
#include "fixtures/AsyncsshFixture.h"
#include "fixtures/LoopbackServer.h"
#include "fixtures/SshdFixture.h"
#include "result/SshTestErrorKeys.h"
#include "ssh/SshClientTestSupport.h"

namespace {

namespace CommonTestErrors = VekLibrary::VekDomain::DataKeys::CommonTestErrors;
namespace SshTestErrorKeys = Ssh::SshTestErrorKeys;
using VekTest::ClientRequest;
using VekTest::ClientRun;
using VekTest::RunClient;

// Generous for a loaded machine; benchmarks/ssh-client reports the real overrun.
constexpr std::int64_t kSlackMs = 1000;
// A run logs some twenty lines, more with the library's trace; a flood that
// reached the log would write thousands.
constexpr std::size_t kMaxLogLines = 60;
const std::string kBannerLogged = "Server banner exchange completed successfully.";
const std::string kBannerFailure =
    "Ssh handshake failure. Error : Unable to receive banner from remote host (-2).";
const std::string kHandshakeTimeout = "A timeout occurred. Reason: SSH handshake timed out.";

std::size_t CountOf(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

void ExpectQuietLog(const ClientRun& run, std::size_t bannerLines) {
    EXPECT_EQ(CountOf(run.log, kBannerLogged), bannerLines);
    EXPECT_LE(static_cast<std::size_t>(std::count(run.log.begin(), run.log.end(), '\n')),
              kMaxLogLines)
        << run.log.substr(0, 4000);
}

ClientRequest SshdRequest(unsigned short port, std::int64_t budget) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    ClientRequest request;
    request.port = port;
    request.user = sshd.user;
    request.password = sshd.password;
    request.budget = budget;
    return request;
}

std::string Lines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "notice " + std::to_string(i) + "\r\n";
    }
    return text;
}

// OpenSSH's limit: the identification string must be among the first 1024 lines.
TEST(SshClientFloodTest, IdentificationMustComeWithinTheFirst1024Lines) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    {
        VekTest::LoopbackServer server(VekTest::RelayWithPreamble(Lines(1023), sshd.port));
        const ClientRun run = RunClient(SshdRequest(server.Port(), 10000));
        ASSERT_EQ(run.raised, "");
        EXPECT_EQ(run.result->GetCommandExecutionResult(), "hello\n");
        ExpectQuietLog(run, 1);
    }
    {
        VekTest::LoopbackServer server(VekTest::RelayWithPreamble(Lines(1024), sshd.port));
        const ClientRun run = RunClient(SshdRequest(server.Port(), 10000));
        EXPECT_EQ(run.raised, kBannerFailure);
        EXPECT_EQ(run.result->GetError(), SshTestErrorKeys::HandshakeFailureError);
        EXPECT_EQ(run.result->GetErrorDetails(), kBannerFailure);
        EXPECT_TRUE(run.result->GetBannerExchangeDuration());
        EXPECT_FALSE(run.result->GetKeyExchangeDuration());
        ExpectQuietLog(run, 0);
    }
}

TEST(SshClientFloodTest, EndlessShortLinesFailTheBannerExchange) {
    VekTest::LoopbackServer server(VekTest::FloodLines("Please wait...\r\n"));
    const std::int64_t budget = 2000;
    const ClientRun run = RunClient(SshdRequest(server.Port(), budget));
    EXPECT_EQ(run.raised, kBannerFailure);
    EXPECT_EQ(run.result->GetError(), SshTestErrorKeys::HandshakeFailureError);
    EXPECT_TRUE(run.result->GetBannerExchangeDuration());
    EXPECT_LT(run.elapsed.count(), budget + kSlackMs);
    ExpectQuietLog(run, 0);
}

// Lines of 8 KiB read one byte per receive: 1024 of them take seconds, so the
// budget runs out inside the library's banner loop.
TEST(SshClientFloodTest, EndlessLongLinesEndAtTheBudget) {
    VekTest::LoopbackServer server(VekTest::FloodLines(std::string(8190, 'x') + "\r\n"));
    const std::int64_t budget = 300;
    const ClientRun run = RunClient(SshdRequest(server.Port(), budget));
    // Only a machine that reads 8 MiB a byte at a time within the budget gets to
    // the line limit first; both endings are legitimate, nothing else is.
    if (run.raised != kBannerFailure) {
        EXPECT_EQ(run.raised, "SshClient connect timeout - " + kHandshakeTimeout);
        EXPECT_EQ(run.result->GetError(), CommonTestErrors::TooMuchTimeError);
        EXPECT_EQ(run.result->GetErrorDetails(), kHandshakeTimeout);
    }
    EXPECT_LT(run.elapsed.count(), budget + kSlackMs);
    ExpectQuietLog(run, 0);
}

// Packets are read one per library call, but the library repeats the call for
// as long as packets other than the one it waits for arrive.
TEST(SshClientFloodTest, IgnorePacketsDuringTheKeyExchangeEndAtTheBudget) {
    VekTest::LoopbackServer server(VekTest::FloodIgnorePackets());
    const std::int64_t budget = 500;
    const ClientRun run = RunClient(SshdRequest(server.Port(), budget));
    EXPECT_EQ(run.raised, "SshClient connect timeout - " + kHandshakeTimeout);
    EXPECT_EQ(run.result->GetError(), CommonTestErrors::TooMuchTimeError);
    EXPECT_EQ(run.result->GetErrorDetails(), kHandshakeTimeout);
    EXPECT_TRUE(run.result->GetBannerExchangeDuration());
    EXPECT_FALSE(run.result->GetKeyExchangeDuration());
    EXPECT_LT(run.elapsed.count(), budget + kSlackMs);
    ExpectQuietLog(run, 1);
}

ClientRun RunScenario(const std::string& scenario, std::int64_t budget) {
    const VekTest::AsyncsshEndpoint server = VekTest::ReadAsyncsshEndpoint();
    ClientRequest request;
    request.host = server.host;
    request.port = server.port;
    request.user = scenario;
    request.password = server.password;
    request.commands = "true\n";
    request.budget = budget;
    return RunClient(request);
}

TEST(SshClientFloodTest, DebugMessagesDuringAuthenticationEndAtTheBudget) {
    const std::int64_t budget = 1500;
    const ClientRun run = RunScenario("floodauth", budget);
    EXPECT_EQ(run.raised, "User authentication failed. Error : Request timed out (-9).");
    EXPECT_EQ(run.result->GetError(), CommonTestErrors::TooMuchTimeError);
    EXPECT_EQ(run.result->GetErrorDetails(), "User authentication failed with status: -9");
    EXPECT_TRUE(run.result->GetAuthenticationDuration());
    EXPECT_LT(run.elapsed.count(), budget + kSlackMs);
    ExpectQuietLog(run, 1);
}

TEST(SshClientFloodTest, IgnoreMessagesWhileTheCommandRunsEndAtTheBudget) {
    const std::int64_t budget = 1500;
    const ClientRun run = RunScenario("floodcmd", budget);
    // Wherever the deadline finds the client, reading has one time-out.
    EXPECT_EQ(run.result->GetErrorDetails(),
              "A timeout occurred. Reason: Reading data from the remote shell timed out.");
    EXPECT_EQ(run.raised, "SshClient command execution timeout - " + run.result->GetErrorDetails());
    EXPECT_EQ(run.result->GetError(), SshTestErrorKeys::CommandExecutionTimeoutError);
    EXPECT_TRUE(run.result->GetCommandExecutionDuration());
    EXPECT_LT(run.elapsed.count(), budget + kSlackMs);
    ExpectQuietLog(run, 1);
}

}  // namespace
