// Judging result documents and writing the answer, for document contents that the
// probe's fixtures cannot show: keys of later probe versions, every error key of
// the vocabulary, unusual texts.

#include <signal.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "plugin/CheckVek.h"
#include "plugin/CheckVerdict.h"
#include "plugin/PluginOptionsParser.h"
#include "plugin/PluginReport.h"
#include "probeclient/ProbeDocument.h"

namespace {

using Json = nlohmann::json;
using VekPlugin::PluginStateEnum;

// A document of a complete test against 127.0.0.1:2222 that took 92 ms.
Json CompleteDocument() {
    const Json metrics = {
        {"common.results.host.name", "127.0.0.1"},
        {"common.results.host.address", "127.0.0.1"},
        {"common.results.host.address.port", 2222},
        {"common.results.metrics.dns.ms", 1},
        {"common.results.metrics.connect.ms", 2},
        {"qo-ssh.results.metrics.banner-exchange.ms", 3},
        {"qo-ssh.results.metrics.key-exchange.ms", 40},
        {"qo-ssh.results.metrics.service-request-exchange.ms", 1},
        {"qo-ssh.results.metrics.authentication.ms", 30},
        {"qo-ssh.results.metrics.command-execution.ms", 15},
        {"qo-ssh.results.metrics.command-execution.return-code.number", 0},
        {"qo-ssh.results.metrics.command-execution.result-size.number", 6},
        {"qo-ssh.results.metrics.command-execution.result", "hello\n"},
        {"qo-ssh.results.metrics.host-fingerprint.hex-encoded",
         "caa3e6e5ae952de1d273a7e937af3dc12dadcf6c068bc42924c8d7d236d9d659"},
    };
    return {{"MonitorResults",
             {{{"OtherData", Json::object()},
               {"StepResults",
                {{{"Metrics", {{{"MetricData", metrics}}}},
                  {"OtherData", Json::object()},
                  {"PageResults", Json::object()}}}}}}},
            {"OtherData", Json::object()}};
}

Json& Metrics(Json& document) {
    return document["MonitorResults"][0]["StepResults"][0]["Metrics"][0]["MetricData"];
}

Json WithError(Json document, const std::string& key, const std::string& details) {
    document["MonitorResults"][0]["StepResults"][0]["OtherData"] = {
        {"common.results.error-code", key}, {"common.results.error-details", details}};
    return document;
}

std::string Answer(const std::vector<std::string>& extra, const Json& document,
                   PluginStateEnum* state = nullptr) {
    std::vector<std::string> arguments = {"-H", "127.0.0.1", "-p", "2222", "-l", "u", "-C", "x"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const VekPlugin::PluginOptions options = VekPlugin::ParsePluginOptions(arguments);
    const VekProbeClient::ProbeDocument outcome =
        VekProbeClient::ParseProbeDocument(document.dump());
    const VekPlugin::CheckVerdict verdict = VekPlugin::Evaluate(options, outcome);
    if (state != nullptr) {
        *state = verdict.state;
    }
    return VekPlugin::FormatReport(options, outcome, verdict);
}

std::string StatusText(const std::string& answer) {
    return answer.substr(0, answer.find('|'));
}

TEST(CheckVerdictTest, TheServerIdentificationOnTheStatusLineAndForMinusR) {
    Json document = CompleteDocument();
    Metrics(document)["qo-ssh.results.metrics.server-identification"] =
        "SSH-2.0-OpenSSH_9.2p1 Debian-2+deb12u3";
    Metrics(document)["qo-ssh.results.metrics.algorithm.kex"] = "curve25519-sha256";
    PluginStateEnum state;
    EXPECT_EQ(StatusText(Answer({"-r", "OpenSSH_9.2"}, document, &state)),
              "SSH OK - 127.0.0.1:2222 SSH-2.0-OpenSSH_9.2p1 Debian-2+deb12u3 in 0.092 s");
    EXPECT_EQ(state, PluginStateEnum::Ok);
    EXPECT_EQ(StatusText(Answer({"-r", "Dropbear"}, document, &state)),
              "SSH CRITICAL - version mismatch, expected 'Dropbear' in "
              "'SSH-2.0-OpenSSH_9.2p1 Debian-2+deb12u3'");
    EXPECT_EQ(state, PluginStateEnum::Critical);

    // Without the key (probes before it), -r cannot be judged.
    EXPECT_EQ(StatusText(Answer({"-r", "OpenSSH"}, CompleteDocument(), &state)),
              "SSH UNKNOWN - the probe reports no server identification to match -r against");
    EXPECT_EQ(state, PluginStateEnum::Unknown);
    EXPECT_EQ(StatusText(Answer({}, CompleteDocument())), "SSH OK - 127.0.0.1:2222 in 0.092 s");
}

TEST(CheckVerdictTest, EachErrorKeyMapsToItsState) {
    struct KeyCase {
        std::string key;
        std::string words;
        bool timeout;
    };
    const std::vector<KeyCase> cases = {
        {"common.results.error.dns-resolution-failure", "name resolution failed", false},
        {"common.results.error.unknown-connect-failure", "connection failed", false},
        {"common.results.error.other.too-much-time", "timeout", true},
        {"common.results.error.connect-timeout", "connection timed out", true},
        {"common.results.error.recv-timeout", "common.results.error.recv-timeout", true},
        {"common.results.error.send-timeout", "common.results.error.send-timeout", true},
        {"common.results.error.other.tls-handshake-timeout",
         "common.results.error.other.tls-handshake-timeout", true},
        {"qo-ssh.results.error.handshake-failure", "handshake failed", false},
        {"qo-ssh.results.error.handshake-timeout", "handshake timed out", true},
        {"qo-ssh.results.error.authentication-failed", "authentication failed", false},
        {"qo-ssh.results.error.authentication-timeout", "authentication timed out", true},
        {"qo-ssh.results.error.password-expired", "password expired", false},
        {"qo-ssh.results.error.command-execution-failed", "command execution failed", false},
        {"qo-ssh.results.error.command-execution-timeout", "command timed out", true},
        {"qo-ssh.results.error.command-too-long", "qo-ssh.results.error.command-too-long", false},
        {"qo-ssh.results.error.unknown", "qo-ssh.results.error.unknown", false},
        {"common.results.error.recv-failure", "common.results.error.recv-failure", false},
        // Always CRITICAL, whatever --timeout-state says.
        {"qo-ssh.results.error.host-key-mismatch", "host key mismatch", false},
    };
    for (const KeyCase& entry : cases) {
        for (const std::string timeoutState : {"OK", "WARNING", "CRITICAL", "UNKNOWN"}) {
            PluginStateEnum state;
            const std::string answer =
                Answer({"--timeout-state", timeoutState},
                       WithError(CompleteDocument(), entry.key, "the details"), &state);
            const std::string expected = entry.timeout ? timeoutState : std::string("CRITICAL");
            EXPECT_EQ(StatusText(answer),
                      "SSH " + expected + " - " + entry.words + " (the details)")
                << entry.key << " with --timeout-state " << timeoutState;
        }
    }
}

TEST(CheckVerdictTest, AHostKeyMismatchIsReportedOnce) {
    const std::string other = "SHA256:" + std::string(43, 'A');
    EXPECT_EQ(StatusText(Answer({"--host-key", other}, CompleteDocument())),
              "SSH CRITICAL - host key mismatch (the server's key "
              "SHA256:yqPm5a6VLeHSc6fpN689wS2tz2wGi8QpJMjX0jbZ1lk is not one of --host-key)");
    EXPECT_EQ(
        StatusText(Answer({"--host-key", other, "--timeout-state", "OK"},
                          WithError(CompleteDocument(), "qo-ssh.results.error.host-key-mismatch",
                                    "the probe's words"))),
        "SSH CRITICAL - host key mismatch (the probe's words)");
    EXPECT_EQ(
        StatusText(Answer({"--host-key", "SHA256:yqPm5a6VLeHSc6fpN689wS2tz2wGi8QpJMjX0jbZ1lk"},
                          CompleteDocument())),
        "SSH OK - 127.0.0.1:2222 in 0.092 s");
}

TEST(CheckVerdictTest, TheWorstFindingWinsAndBringsOnlyItsReasons) {
    Json document = CompleteDocument();
    Metrics(document)["qo-ssh.results.metrics.command-execution.return-code.number"] = 4;
    PluginStateEnum state;
    const std::string answer = Answer(
        {"-w", "0.01", "--stage-warning", "kex=0.01", "--stage-critical", "auth=0.01", "-e", "bye"},
        document, &state);
    EXPECT_EQ(state, PluginStateEnum::Critical);
    EXPECT_EQ(StatusText(answer),
              "SSH CRITICAL - auth took 0.030 s (critical threshold 0.01); exit status 4, "
              "expected 0; output does not match 'bye'");
    EXPECT_EQ(StatusText(Answer({"-w", "0.01", "--stage-warning", "kex=0.01"}, CompleteDocument(),
                                &state)),
              "SSH WARNING - the test took 0.092 s (warning threshold 0.01); kex took 0.040 s "
              "(warning threshold 0.01)");
    // A failed test's partial time is no test time: -w and -c stay silent.
    EXPECT_EQ(StatusText(Answer(
                  {"-c", "0.01", "--timeout-state", "OK"},
                  WithError(CompleteDocument(), "common.results.error.other.too-much-time", "late"),
                  &state)),
              "SSH OK - timeout (late)");
}

TEST(CheckVerdictTest, TextsCannotBreakTheFormat) {
    Json document = WithError(CompleteDocument(), "qo-ssh.results.error.handshake-failure",
                              "first|second\nthird\r");
    Metrics(document)["common.results.host.name"] = "::1";
    EXPECT_EQ(StatusText(Answer({}, document)),
              "SSH CRITICAL - handshake failed (first\xc2\xa6second third )");
    document = CompleteDocument();
    Metrics(document)["common.results.host.name"] = "::1";
    EXPECT_EQ(StatusText(Answer({}, document)), "SSH OK - [::1]:2222 in 0.092 s");

    // 4095 bytes and a two-byte character across the 4096th byte: cut before it.
    std::string output = std::string(4095, 'a') + "\xc3\xa9" + "tail|end";
    Metrics(document)["qo-ssh.results.metrics.command-execution.result"] = output;
    Metrics(document)["qo-ssh.results.metrics.command-execution.result-size.number"] =
        output.size();
    const std::string answer = Answer({}, document);
    const std::string longOutput = answer.substr(answer.find('\n') + 1);
    EXPECT_EQ(longOutput, std::string(4095, 'a') + "\n(output cut to 4095 of 4105 bytes)\n");

    Metrics(document)["qo-ssh.results.metrics.command-execution.result"] = "a|b";
    const std::string bars = Answer({}, document);
    EXPECT_EQ(bars.substr(bars.find('\n') + 1),
              "a\xc2\xa6"
              "b\n");
}

TEST(CheckVerdictTest, AKilledProbeIsATimeoutOrUnknown) {
    // Killed 5 s after a budget of 1 s, or for a standard output past the cap.
    const auto options =
        VekPlugin::ParsePluginOptions({"-H", "h", "-l", "u", "-t", "1", "--timeout-state", "1"});
    VekProbeClient::ChildOutcome run;
    run.signal = SIGKILL;
    run.killed = VekProbeClient::KillReasonEnum::Deadline;
    const VekPlugin::PluginAnswer timeout = VekPlugin::JudgeRun(options, run);
    EXPECT_EQ(timeout.state, PluginStateEnum::Warning);
    EXPECT_EQ(timeout.text,
              "SSH WARNING - timeout (the probe was still running 6 s after its start and was "
              "killed)\n");
    run.killed = VekProbeClient::KillReasonEnum::OutputTooLarge;
    EXPECT_EQ(VekPlugin::JudgeRun(options, run).text,
              "SSH UNKNOWN - the probe's standard output passed 64 MiB; it was killed\n");
}

}  // namespace
