// The SSH client against the private OpenSSH server: what a monitoring team sees
// for ordinary hosts.
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "domain/CommonTestErrors.h"
#include "fixtures/SshdFixture.h"
#include "result/SshTestErrorKeys.h"
#include "ssh/SshClientTestSupport.h"

namespace {

using VekTest::ClientRequest;
using VekTest::ClientRun;
using VekTest::RunClient;

ClientRequest SshdRequest(const std::string& commands) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    ClientRequest request;
    request.host = sshd.host;
    request.port = sshd.port;
    request.user = sshd.user;
    request.password = sshd.password;
    request.commands = commands;
    return request;
}

void ExpectAllDurationsSet(const Ssh::SshTestResult& result) {
    EXPECT_TRUE(result.GetDnsDuration());
    EXPECT_TRUE(result.GetConnectDuration());
    EXPECT_TRUE(result.GetBannerExchangeDuration());
    EXPECT_TRUE(result.GetKeyExchangeDuration());
    EXPECT_TRUE(result.GetServiceRequestExchangeDuration());
    EXPECT_TRUE(result.GetAuthenticationDuration());
    EXPECT_TRUE(result.GetCommandExecutionDuration());
}

TEST(SshClientTest, CapturesOutputExitStatusAndHostKey) {
    const ClientRun run = RunClient(SshdRequest("echo hello; echo oops >&2; exit 3\n"));
    ASSERT_EQ(run.raised, "");
    const Ssh::SshTestResult& result = *run.result;
    EXPECT_EQ(result.GetError(), "");
    EXPECT_EQ(result.GetHostAddress(), "127.0.0.1");
    EXPECT_EQ(result.GetCommandExecutionResult(), "hello\n");
    EXPECT_EQ(result.GetCommandResultSize(), 6u);
    // The exit status often arrives after the server's end-of-file.
    EXPECT_EQ(result.GetCommandExecutionReturnCode(), "3");
    EXPECT_EQ(result.GetHostFingerprint(), VekTest::SshdHostKeySha256Hex());
    ExpectAllDurationsSet(result);
    EXPECT_THAT(run.log, testing::HasSubstr("End Reading Data.Total stdout bytes received: "
                                            "6.Total stderr bytes read: 5."));
}

TEST(SshClientTest, ConnectsOverIpv6Loopback) {
    ClientRequest request = SshdRequest("echo six\n");
    if (VekTest::ReadSshdEndpoint().host6.empty()) {
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    }
    request.host = "::1";
    request.family = VekLibrary::Networking::AddressFamilyEnum::Ipv6;
    const ClientRun run = RunClient(request);
    ASSERT_EQ(run.raised, "");
    EXPECT_EQ(run.result->GetHostAddress(), "::1");
    EXPECT_EQ(run.result->GetCommandExecutionResult(), "six\n");
}

TEST(SshClientTest, WrongPasswordIsAnAuthenticationFailure) {
    ClientRequest request = SshdRequest("echo never\n");
    request.password += "-wrong";
    const ClientRun run = RunClient(request);
    EXPECT_EQ(run.raised, "User authentication failed. Error : Authentication failed (-18).");
    EXPECT_EQ(run.result->GetError(), Ssh::SshTestErrorKeys::AuthenticationFailedError);
    EXPECT_EQ(run.result->GetErrorDetails(), "User authentication failed with status: -18");
    EXPECT_TRUE(run.result->GetAuthenticationDuration());
    EXPECT_FALSE(run.result->GetCommandExecutionDuration());
    EXPECT_EQ(run.result->GetCommandExecutionReturnCode(), "");
}

TEST(SshClientTest, StopsCapturingAtTheDownloadLimit) {
    struct Case {
        unsigned long limit;
        unsigned long most;
    };
    for (const Case& c : {Case{100, 199}, Case{5000, 5000 + 4095}}) {
        ClientRequest request = SshdRequest("head -c 200000 /dev/zero | tr '\\0' a\n");
        request.maximumBytes = c.limit;
        const ClientRun run = RunClient(request);
        ASSERT_EQ(run.raised, "") << c.limit;
        EXPECT_EQ(run.result->GetError(), "");
        EXPECT_GE(run.result->GetCommandResultSize(), c.limit);
        EXPECT_LE(run.result->GetCommandResultSize(), c.most);
        EXPECT_EQ(run.result->GetCommandExecutionResult(),
                  std::string(run.result->GetCommandResultSize(), 'a'));
    }
}

TEST(SshClientTest, CommandThatOutlivesTheBudgetTimesOutWithinIt) {
    ClientRequest request = SshdRequest("echo started; sleep 30\n");
    request.budget = 1500;
    const ClientRun run = RunClient(request);
    EXPECT_EQ(run.raised,
              "SshClient command execution timeout - A timeout occurred. Reason: Reading data "
              "from the remote shell timed out.");
    EXPECT_EQ(run.result->GetError(), Ssh::SshTestErrorKeys::CommandExecutionTimeoutError);
    EXPECT_EQ(run.result->GetErrorDetails(),
              "A timeout occurred. Reason: Reading data from the remote shell timed out.");
    EXPECT_TRUE(run.result->GetCommandExecutionDuration());
    // What arrived before the time ran out is kept; no exit status arrived.
    EXPECT_EQ(run.result->GetCommandExecutionResult(), "started\n");
    EXPECT_EQ(run.result->GetCommandResultSize(), 8u);
    EXPECT_EQ(run.result->GetCommandExecutionReturnCode(), "");
    EXPECT_LT(run.elapsed.count(), request.budget + 100);
}

TEST(SshClientTest, SendsCommandTextsLongerThanOnePacket) {
    // Far beyond the library's 32,700 bytes per write.
    const std::string payload(150 * 1024, 'x');
    const ClientRun run = RunClient(SshdRequest("wc -c <<'EOF'\n" + payload + "\nEOF\n"));
    ASSERT_EQ(run.raised, "");
    EXPECT_EQ(run.result->GetCommandExecutionResult(), std::to_string(payload.size() + 1) + "\n");
}

TEST(SshClientTest, EmptyCommandTextSendsNothing) {
    const ClientRun run = RunClient(SshdRequest(""));
    ASSERT_EQ(run.raised, "");
    EXPECT_TRUE(run.result->GetAuthenticationDuration());
    EXPECT_FALSE(run.result->GetCommandExecutionDuration());
    EXPECT_EQ(run.result->GetCommandExecutionReturnCode(), "");
    EXPECT_EQ(run.result->GetCommandResultSize(), 0u);
}

TEST(SshClientTest, TraceLinesNeverShowTheCredentials) {
    const ClientRequest request = SshdRequest("echo traced\n");
    const ClientRun run = RunClient(request);
    ASSERT_EQ(run.raised, "");
    EXPECT_THAT(run.log, testing::HasSubstr("Trace data: "));
    EXPECT_THAT(run.log, testing::Not(testing::HasSubstr(request.user)));
    EXPECT_THAT(run.log, testing::Not(testing::HasSubstr(request.password)));
}

TEST(SshClientTest, RefusesMisuseWithoutTouchingTheResult) {
    const auto whatOf = [](const std::function<void()>& call) {
        try {
            call();
        } catch (const std::exception& error) {
            return std::string(error.what());
        }
        return std::string("nothing raised");
    };
    std::unique_ptr<Ssh::ISshClient> client =
        VekTest::MakeClient(std::make_shared<VekTest::RecordingStreamOutputHandler>());
    const auto ipv4 = VekLibrary::Networking::AddressFamilyEnum::Ipv4;
    EXPECT_EQ(whatOf([&] { client->AuthenticateUser("u", "p", 1000); }),
              "User cannot be authenticated before creating a session. Error : Bad usage (-39).");
    EXPECT_EQ(whatOf([&] { client->ExecuteCommands("true\n", 10, 1000); }),
              "Cannot execute commands before establishing a session. Error : Bad usage (-39).");
    EXPECT_EQ(whatOf([&] { client->Connect("127.0.0.1", 22, ipv4, 0); }),
              "Invalid timeout provided to Connect: 0");
    EXPECT_EQ(whatOf([&] { client->Connect("127.0.0.1", 22, ipv4, 2147483648); }),
              "Invalid timeout provided to Connect: 2147483648");
    const std::unique_ptr<Ssh::SshTestResult> result = client->GetResults();
    EXPECT_EQ(result->GetError(), "");
    EXPECT_EQ(result->GetHostName(), "");
}

}  // namespace
