// The session's budget rules, over a client whose stages report exactly how much
// time they left: no real server can be made to finish a stage on the millisecond.
#include "app/SshTestSession.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/SshTestResultSerializerFactory.h"
#include "domain/CommonTestErrors.h"
#include "fixtures/RecordingStreamOutputHandler.h"
#include "logger/Logger.h"
#include "logger/UtcTimestampProvider.h"
#include "mocks/MockSshClient.h"
#include "serialization/SerializationLibraryFactoryProvider.h"

namespace {

using testing::_;
using testing::Return;
namespace CommonTestErrors = VekLibrary::VekDomain::DataKeys::CommonTestErrors;

// Hands out a copy of one prepared policy.
class FixedPolicyFactory final : public Ssh::ISshTestSessionPolicyFactory {
public:
    explicit FixedPolicyFactory(const Ssh::SshTestSessionPolicy& policy) : policy_(policy) {}
    std::string CreateOrReturnHelpMessage(
        int, const char* const*, std::unique_ptr<Ssh::SshTestSessionPolicy>& out) override {
        out = std::make_unique<Ssh::SshTestSessionPolicy>(policy_);
        return "";
    }

private:
    Ssh::SshTestSessionPolicy policy_;
};

struct SessionRun {
    int exitCode = -1;
    std::string document;
    std::string log;
};

// Runs one session; `prepare` sets the client's expectations.
SessionRun RunSession(const Ssh::SshTestSessionPolicy& policy,
                      const std::function<void(Ssh::MockSshClient&)>& prepare,
                      bool failOutput = false) {
    auto client = std::make_unique<testing::StrictMock<Ssh::MockSshClient>>();
    EXPECT_CALL(*client, SetLoggingHints(_, _));
    prepare(*client);
    auto stdoutSink = std::make_shared<VekTest::RecordingStreamOutputHandler>();
    stdoutSink->failWrites = failOutput;
    auto stderrSink = std::make_shared<VekTest::RecordingStreamOutputHandler>();
    std::unique_ptr<Ssh::ISshTestResultSerializer> serializer;
    Ssh::SshTestResultSerializerFactory(
        VekLibrary::Serialization::SerializationLibraryFactoryProvider().GetJsonWrapperFactory())
        .Create(serializer);
    Ssh::SshTestSession session(
        std::make_shared<FixedPolicyFactory>(policy), std::move(client), std::move(serializer),
        stdoutSink,
        std::make_shared<VekLibrary::VekLogger::Logger>(
            stderrSink, std::make_shared<VekLibrary::VekLogger::UtcTimestampProvider>()));
    const char* argv[] = {"vek", nullptr};
    SessionRun run;
    run.exitCode = session.ExecuteTest(1, argv);
    run.document = stdoutSink->Joined();
    run.log = stderrSink->Joined();
    return run;
}

Ssh::SshTestSessionPolicy Policy(std::chrono::seconds timeout, const std::string& commands) {
    Ssh::SshTestSessionPolicy policy;
    policy.SetTestId("budget");
    policy.SetHostName("127.0.0.1");
    policy.SetUsername("user");
    policy.SetPassword("secret");
    policy.SetTestTimeout(timeout);
    policy.SetCommands(commands);
    return policy;
}

std::unique_ptr<Ssh::SshTestResult> ResultWithError(const std::string& error) {
    auto result = std::make_unique<Ssh::SshTestResult>();
    result->SetError(error);
    return result;
}

TEST(SshTestSessionTest, TimeoutsBecomeBudgetsTheStagesAccept) {
    struct Case {
        std::int64_t seconds;
        std::int64_t budget;
    };
    for (const Case& c :
         {Case{5, 5000}, Case{2147483, 2147483000}, Case{2147484, 2147483647},
          Case{3000000, 2147483647}, Case{std::chrono::seconds::max().count(), 2147483647}}) {
        const SessionRun run = RunSession(
            Policy(std::chrono::seconds(c.seconds), ""), [&](Ssh::MockSshClient& client) {
                EXPECT_CALL(client, Connect(_, 22, _, c.budget)).WillOnce(Return(100));
                EXPECT_CALL(client, AuthenticateUser(_, _, 100)).WillOnce(Return(90));
                EXPECT_CALL(client, GetResults())
                    .WillOnce(Return(testing::ByMove(std::make_unique<Ssh::SshTestResult>())));
            });
        EXPECT_EQ(run.exitCode, 0) << c.seconds;
        EXPECT_THAT(run.document, testing::Not(testing::HasSubstr("error-code"))) << c.seconds;
    }
}

TEST(SshTestSessionTest, AStageWithoutTimeLeftMarksTheResult) {
    struct Case {
        const char* name;
        std::int64_t connectLeft;
        std::int64_t authenticationLeft;
        std::string commands;
        std::string earlierError;
        std::string details;  // empty: the document carries no error of ours
    };
    const Case cases[] = {
        {"connect used the budget", 0, 0, "", "",
         "A timeout occurred. Reason: No time left to authenticate the user."},
        {"connect overran", -3, 0, "true\n", "",
         "A timeout occurred. Reason: No time left to authenticate the user."},
        {"authentication used the rest", 50, 0, "true\n", "",
         "A timeout occurred. Reason: No time left to execute the commands."},
        {"nothing more was due", 50, 0, "", "", ""},
        {"an earlier error stands", 0, 0, "", CommonTestErrors::DnsResolutionError, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SessionRun run = RunSession(
            Policy(std::chrono::seconds(1), c.commands), [&](Ssh::MockSshClient& client) {
                EXPECT_CALL(client, Connect(_, _, _, 1000)).WillOnce(Return(c.connectLeft));
                if (c.connectLeft > 0) {
                    EXPECT_CALL(client, AuthenticateUser("user", "secret", c.connectLeft))
                        .WillOnce(Return(c.authenticationLeft));
                }
                EXPECT_CALL(client, GetResults())
                    .WillOnce(Return(testing::ByMove(ResultWithError(c.earlierError))));
            });
        EXPECT_EQ(run.exitCode, 0);
        if (!c.details.empty()) {
            EXPECT_THAT(run.document,
                        testing::HasSubstr("\"common.results.error-code\":\"" +
                                           CommonTestErrors::TooMuchTimeError + "\""));
            EXPECT_THAT(run.document, testing::HasSubstr("\"common.results.error-details\":\"" +
                                                         c.details + "\""));
        } else if (c.earlierError.empty()) {
            EXPECT_THAT(run.document, testing::Not(testing::HasSubstr("error-code")));
        } else {
            EXPECT_THAT(run.document, testing::HasSubstr(c.earlierError));
        }
    }
}

TEST(SshTestSessionTest, AFailedDocumentWriteIsExitCodeOne) {
    const SessionRun run = RunSession(
        Policy(std::chrono::seconds(1), ""),
        [](Ssh::MockSshClient& client) {
            EXPECT_CALL(client, Connect(_, _, _, _)).WillOnce(Return(500));
            EXPECT_CALL(client, AuthenticateUser(_, _, _)).WillOnce(Return(400));
            EXPECT_CALL(client, GetResults())
                .WillOnce(Return(testing::ByMove(std::make_unique<Ssh::SshTestResult>())));
        },
        true);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.log,
                testing::HasSubstr("[ERR][ID=budget] Failure while writing to output stream."));
}

// A server (or the command line) can put any bytes into the result; the document
// still comes out, each ill-formed UTF-8 subpart replaced by U+FFFD.
TEST(SshTestSessionTest, TextsThatAreNotUtf8StillGiveADocument) {
    Ssh::SshTestSessionPolicy policy = Policy(std::chrono::seconds(1), "true\n");
    policy.SetTestId("id\xff");
    const std::vector<Ssh::HostKeyFingerprint> keys(1);
    policy.SetExpectedHostKeys(keys);
    const SessionRun run = RunSession(policy, [&keys](Ssh::MockSshClient& client) {
        EXPECT_CALL(client, SetExpectedHostKeys(keys));
        EXPECT_CALL(client, Connect(_, _, _, _)).WillOnce(Return(500));
        EXPECT_CALL(client, AuthenticateUser(_, _, _)).WillOnce(Return(400));
        EXPECT_CALL(client, ExecuteCommands(_, _, _)).WillOnce(Return(300));
        auto result = std::make_unique<Ssh::SshTestResult>();
        result->SetHostName("host\xc3");
        result->SetServerIdentification("SSH-2.0-Odd \xfc");
        result->SetCommandExecutionDuration(VekLibrary::VekDomain::Milliseconds(1));
        result->SetCommandExecutionResult(std::string("a\xed\xa0\x80z"));
        result->SetCommandResultSize(5);
        result->SetError(CommonTestErrors::TooMuchTimeError);
        result->SetErrorDetails("details \xe2\x82");
        EXPECT_CALL(client, GetResults()).WillOnce(Return(testing::ByMove(std::move(result))));
    });
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(run.exitCode, 0) << run.log;
    for (const std::string& member :
         {"\"common.test.test-id\":\"id" + r + "\"",
          "\"common.results.host.name\":\"host" + r + "\"",
          "\"qo-ssh.results.metrics.server-identification\":\"SSH-2.0-Odd " + r + "\"",
          "\"qo-ssh.results.metrics.command-execution.result\":\"a" + r + r + r + "z\"",
          std::string("\"qo-ssh.results.metrics.command-execution.result-size.number\":5"),
          "\"common.results.error-details\":\"details " + r + "\""}) {
        EXPECT_THAT(run.document, testing::HasSubstr(member));
    }
}

}  // namespace
