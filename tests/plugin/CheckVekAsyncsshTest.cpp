// check_vek against the programmable asyncssh server and the hostile loopback
// servers: every state each threshold option reaches, each error key of the probe
// and the state it maps to.

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fixtures/AsyncsshFixture.h"
#include "fixtures/HostilePorts.h"
#include "fixtures/LoopbackServer.h"
#include "fixtures/PrivateResolver.h"
#include "plugin/PluginProcess.h"

namespace {

using VekTest::PluginCase;
using VekTest::PluginRun;
using VekTest::RunCases;
using VekTest::SecretFile;

const std::string kTarget = "127\\.0\\.0\\.1:[0-9]+";
// The probe's own time-out, or, when a busy machine started it late, check_vek's.
const std::string kKilled = "|timeout \\(no result within -t 1 s; the probe was killed\\)";
const std::string kHandshakeTimeout =
    "timeout \\(A timeout occurred\\. Reason: SSH handshake timed out\\.\\)" + kKilled;

class CheckVekAsyncsshTest : public testing::Test {
protected:
    void SetUp() override {
        server_ = VekTest::ReadAsyncsshEndpoint();
        password_ = std::make_unique<SecretFile>(server_.password + "\n");
    }

    // The target arguments for the scenario `user`.
    std::vector<std::string> As(const std::string& user) const {
        return {"-H",
                server_.host,
                "-p",
                std::to_string(server_.port),
                "-l",
                user,
                "--password-file",
                password_->Path()};
    }

    std::vector<PluginRun> Scenario(const std::string& user, const std::vector<PluginCase>& cases) {
        return RunCases(cases, As(user), kTarget);
    }

    VekTest::AsyncsshEndpoint server_;
    std::unique_ptr<SecretFile> password_;
};

// Without -l the check runs the handshake only and needs no credentials.
TEST_F(CheckVekAsyncsshTest, TheServersOfferTakesTheStatesOfTerrapinAndWeakAlgorithms) {
    RunCases(
        {{"not judged by default",
          {},
          "OK",
          "{target} SSH-2\\.0-AsyncSSH_[^ ]+ \\(kex [^,]+, host key [^,]+, cipher [^,]+, MAC "
          "[^)]+\\) in {s} s"},
         {"WARNING", {"--weak-algorithms", "1"}, "WARNING", "weak algorithms offered: arcfour"},
         {"CRITICAL",
          {"--terrapin", "2"},
          "CRITICAL",
          "open to the Terrapin attack \\(CVE-2023-48795\\)"}},
        {"-H", server_.host, "-p", std::to_string(server_.terrapinPort)}, kTarget);
}

TEST_F(CheckVekAsyncsshTest, EveryStateOfTheTotalTimeThresholds) {
    const std::string ok = "{target} in {s} s";
    const std::string warning = "the test took {s} s \\(warning threshold ";
    const std::string critical = "the test took {s} s \\(critical threshold ";
    RunCases(
        {{"no thresholds", {}, "OK", ok},
         {"-w 1000: never below", {"-w", "1000"}, "OK", ok},
         {"-w @0:1000 inside", {"-w", "@0:1000"}, "WARNING", warning + "@0:1000\\)"},
         {"-w 1000: below", {"-w", "1000:"}, "WARNING", warning + "1000:\\)"},
         {"-w 1000:2000 outside", {"-w", "1000:2000"}, "WARNING", warning + "1000:2000\\)"},
         {"-c ~:1000 never above", {"-c", "~:1000"}, "OK", ok},
         {"-c @0:1000 inside", {"-c", "@0:1000"}, "CRITICAL", critical + "@0:1000\\)"},
         {"-c 1000: below", {"-c", "1000:"}, "CRITICAL", critical + "1000:\\)"},
         {"-w and -c alert: CRITICAL wins",
          {"-w", "@0:1000", "-c", "@0:1000"},
          "CRITICAL",
          critical + "@0:1000\\)"},
         {"-w alerts, -c not", {"-w", "@0:1000", "-c", "1000"}, "WARNING", warning + "@0:1000\\)"}},
        As("ok"), kTarget);
}

TEST_F(CheckVekAsyncsshTest, EveryStateOfTheStageThresholds) {
    RunCases({{"banner within", {"--stage-warning", "banner=1000"}, "OK", "{target} in {s} s"},
              {"auth warning",
               {"--stage-warning", "auth=@0:1000"},
               "WARNING",
               "auth took {s} s \\(warning threshold @0:1000\\)"},
              {"kex critical",
               {"--stage-critical", "kex=@0:1000"},
               "CRITICAL",
               "kex took {s} s \\(critical threshold @0:1000\\)"},
              {"several stages, critical wins",
               {"--stage-warning", "dns=@0:1000", "--stage-critical", "connect=@0:1000",
                "--stage-critical", "service_request=@0:1000"},
               "CRITICAL",
               "connect took {s} s \\(critical threshold @0:1000\\); service_request took {s} s "
               "\\(critical threshold @0:1000\\)"},
              {"exec ran",
               {"-C", "true", "--stage-warning", "exec=@0:1000"},
               "WARNING",
               "exec took {s} s \\(warning threshold @0:1000\\)"}},
             As("ok"), kTarget);
}

TEST_F(CheckVekAsyncsshTest, AuthenticationAndChannelFailuresAreCritical) {
    Scenario("expired", {{"expired password",
                          {},
                          "CRITICAL",
                          "password expired \\(User authentication failed with status: -15\\)"}});
    Scenario("nobody",
             {{"unknown user",
               {},
               "CRITICAL",
               "authentication failed \\(User authentication failed with status: -18\\)"}});
    Scenario("noshell", {{"shell refused",
                          {"-C", "x"},
                          "CRITICAL",
                          "command execution failed \\(Commands could not be executed\\. Error : "
                          "Channel request denied \\(-22\\)\\.\\)"}});
    Scenario("nochannel",
             {{"channel refused",
               {"-C", "x"},
               "CRITICAL",
               "command execution failed \\(could not create channel for command execution\\. "
               "Error : .*\\)"}});
}

TEST_F(CheckVekAsyncsshTest, BudgetsThatRanOutTakeTheTimeoutState) {
    // Normally authentication runs out of time; on a very busy machine an earlier
    // stage may, or the probe starts so late that check_vek's own limit ends it:
    // the same kind of outcome.
    const std::string auth =
        "timeout \\((User authentication failed with status: -9|A timeout occurred\\. .*|no "
        "result within -t 1 s; the probe was killed)\\)";
    Scenario("slowauth", {{"default", {"-t", "1"}, "CRITICAL", auth}});
    const std::string command =
        "(command timed out \\(A timeout occurred\\. Reason: Reading data from the remote shell "
        "timed out\\.\\)|timeout \\(.*\\))";
    Scenario("silent",
             {{"WARNING", {"-C", "x", "-t", "2", "--timeout-state", "WARNING"}, "WARNING", command},
              {"OK", {"-C", "x", "-t", "2", "--timeout-state", "OK"}, "OK", command}});
}

TEST_F(CheckVekAsyncsshTest, ExitStatusesOfTheRemoteShell) {
    const std::string ok = "{target} in {s} s";
    const std::vector<PluginRun> late = Scenario(
        "latestatus",
        {{"late status", {"-C", "x", "--expect-exit", "3"}, "OK", ok},
         {"late status unexpected", {"-C", "x"}, "CRITICAL", "exit status 3, expected 0"}});
    EXPECT_EQ(late[0].answer.longOutput, "late\n");
    Scenario("signal", {{"TERM", {"-C", "x"}, "CRITICAL", "exit status 143, expected 0"},
                        {"TERM expected", {"-C", "x", "--expect-exit", "143"}, "OK", ok}});
    Scenario(
        "stderr",
        {{"stderr not shown", {"-C", "x", "--expect-exit", "7", "-e", "^to-stdout$"}, "OK", ok}});
}

TEST_F(CheckVekAsyncsshTest, TenMebibytesOfOutput) {
    const std::vector<PluginRun> runs =
        Scenario("big", {{"big", {"-C", "x", "-e", "^0123456789abc"}, "OK", "{target} in {s} s"}});
    const VekTest::PerfdataItem* bytes = VekTest::FindPerfdata(runs[0].answer, "output_bytes");
    ASSERT_NE(bytes, nullptr);
    // The probe stops at check_vek's limit of 1 MiB, in whole reads.
    EXPECT_GE(std::stoll(bytes->value), 1048576);
    EXPECT_LT(std::stoll(bytes->value), 1048576 + 4096);
    const std::string& shown = runs[0].answer.longOutput;
    EXPECT_EQ(
        shown.compare(0, 64, "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!\n"),
        0);
    // 4096 bytes are 64 whole lines: no line feed is added.
    EXPECT_EQ(shown.substr(4096), "(output cut to 4096 of " + bytes->value + " bytes)\n");
}

TEST(CheckVekHostileServerTest, ConnectAndHandshakeFailures) {
    const VekTest::RefusedPort refused;
    const VekTest::FilteredPort filtered;
    const VekTest::LoopbackServer silent(VekTest::StaySilent());
    const VekTest::LoopbackServer http(VekTest::SendThenClose("HTTP/1.0 400 Bad Request\r\n\r\n"));
    const SecretFile password("password\n");
    const auto at = [&password](unsigned short port, std::vector<std::string> extra) {
        std::vector<std::string> arguments = {
            "-H",      "127.0.0.1",       "-p",           std::to_string(port), "-l",
            "monitor", "--password-file", password.Path()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    };
    RunCases({{"refused", at(refused.Port(), {}), "CRITICAL",
               "connection failed \\(Connection to 127\\.0\\.0\\.1 failed\\. Reason: Connection "
               "failed: Connection refused\\)"},
              {"connect timeout", at(filtered.Port(), {"-t", "1", "--timeout-state", "WARNING"}),
               "WARNING",
               "timeout \\(A timeout occurred\\. Reason: Connection could not be created within "
               "[0-9]+ ms\\.\\)" +
                   kKilled},
              {"silent server", at(silent.Port(), {"-t", "1"}), "CRITICAL", kHandshakeTimeout},
              {"silent server, OK on timeout",
               at(silent.Port(), {"-t", "1", "--timeout-state", "0"}), "OK", kHandshakeTimeout},
              {"not SSH", at(http.Port(), {}), "CRITICAL",
               "handshake failed \\(Ssh handshake failure\\. Error : .*\\)"}},
             {}, kTarget);
}

// In a private network namespace: "<exit code>\n<standard output>" of check_vek.
std::string InPrivateNetwork(bool silentResolver, const std::vector<std::string>& arguments) {
    const auto body = [arguments] {
        VekTest::ProbeRequest request;
        request.arguments = arguments;
        request.killAfter = std::chrono::milliseconds(20000);
        const VekTest::ProbeRun run = VekTest::RunProbe(VekTest::CheckVekBinary(), request);
        return std::to_string(run.exitCode) + "\n" + run.standardOutput;
    };
    const auto limit = std::chrono::milliseconds(30000);
    return silentResolver ? VekTest::RunWithSilentResolver(body, limit)
                          : VekTest::RunInPrivateNetwork(body, limit);
}

TEST(CheckVekHostileServerTest, NameResolutionFailureAndTimeout) {
    const SecretFile password("password\n");
    const std::string failed =
        InPrivateNetwork(false, {"-H", "no-such-host.vek-test.invalid", "-l", "monitor",
                                 "--password-file", password.Path()});
    if (failed.rfind(VekTest::kIsolationRefused, 0) == 0) {
        GTEST_SKIP() << failed;
    }
    EXPECT_TRUE(std::regex_match(
        failed, std::regex("3\nSSH UNKNOWN - Invalid hostname/address \\(Failed to resolve "
                           "hostname: no-such-host\\.vek-test\\.invalid\\. getaddrinfo\\(\\) "
                           "returned: [^)]*\\)\\|'time'=[0-9.]+s;;;0;10 'dns'=[0-9.]+s;;;0;10\n")))
        << failed;

    const std::string timedOut =
        InPrivateNetwork(true, {"-H", VekTest::kSilentHostName, "-l", "monitor", "--password-file",
                                password.Path(), "-t", "1", "--timeout-state", "UNKNOWN"});
    EXPECT_TRUE(std::regex_match(
        timedOut, std::regex("3\nSSH UNKNOWN - (timeout \\(A timeout occurred\\. Reason: Name "
                             "resolution did not finish within 1000 ms\\.\\)" +
                             kKilled + ")\\|'time'=[0-9.]+s;;;0;1( 'dns'=[0-9.]+s;;;0;1)?\n")))
        << timedOut;
}

}  // namespace
