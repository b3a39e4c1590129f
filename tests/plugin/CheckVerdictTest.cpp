// Judging result documents and writing the answer, for document contents that the
// probe's fixtures cannot show: keys of later probe versions, every error key of
// the vocabulary, unusual texts.

#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "plugin/AnswerDeadline.h"
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

TEST(CheckVerdictTest, TheServerIdentificationOnTheStatusLineAndForMinusRAndMinusP) {
    Json document = CompleteDocument();
    Metrics(document)["qo-ssh.results.metrics.server-identification"] =
        "SSH-2.0-OpenSSH_9.2p1 Debian-2+deb12u3";
    // As check_ssh: the whole software version, exactly (the sshd tests show mismatches).
    EXPECT_EQ(StatusText(Answer({"-r", "OpenSSH_9.2p1 Debian-2+deb12u3", "-P", "2.0"}, document)),
              "SSH OK - 127.0.0.1:2222 SSH-2.0-OpenSSH_9.2p1 Debian-2+deb12u3 in 0.092 s");
    // Without the key (probes before it), -r cannot be judged.
    EXPECT_EQ(StatusText(Answer({"-r", "OpenSSH"}, CompleteDocument())),
              "SSH UNKNOWN - the probe reports no server identification to match -r or -P "
              "against");
    EXPECT_EQ(StatusText(Answer({}, CompleteDocument())), "SSH OK - 127.0.0.1:2222 in 0.092 s");
}

// The state table of docs/plugin.md names every error key the probe defines, and
// says the state check_vek gives it.
TEST(CheckVerdictTest, TheDocumentedStateTableCoversEveryErrorKey) {
    const auto read = [](const std::string& path) {
        std::ifstream in(std::string(VEK_TEST_SOURCE_DIR) + "/" + path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    // Keys are defined as PREFIX + "suffix", the prefixes as literals or likewise.
    std::map<std::string, std::string> defined;
    std::vector<std::string> keys;
    for (const char* source :
         {"src/domain/CommonTestErrors.cpp", "src/result/SshTestErrorKeys.cpp"}) {
        const std::string text = read(source);
        const std::regex definition(
            "const std::string (\\w+) \\w+ =\\s*(?:(\\w+) \\+ )?\"([^\"]+)\";");
        for (std::sregex_iterator it(text.begin(), text.end(), definition), end; it != end; ++it) {
            const std::string value =
                ((*it)[2].matched ? defined.at((*it)[2]) : "") + (*it)[3].str();
            defined[(*it)[1]] = value;
            if ((*it)[1].str().find("Prefix") == std::string::npos) {
                keys.push_back(value);
            }
        }
    }
    ASSERT_EQ(keys.size(), VekPlugin::ErrorMeanings().size());
    const std::string table = read("docs/plugin.md");
    const std::regex row(
        "\n\\| `([a-z.-]+)` \\(`([^`]+)`\\)[^|]*\\| ([A-Z]+|`--timeout-state`) \\|");
    std::map<std::string, std::pair<std::string, std::string>> documented;
    for (std::sregex_iterator it(table.begin(), table.end(), row), end; it != end; ++it) {
        documented.emplace((*it)[1], std::make_pair((*it)[2].str(), (*it)[3].str()));
    }
    for (const std::string& key : keys) {
        ASSERT_EQ(documented.count(key), 1u) << key << " has no row in the state table";
        const auto& [words, state] = documented.at(key);
        for (const std::string timeoutState : {"OK", "UNKNOWN"}) {
            const std::string expected = state == "`--timeout-state`" ? timeoutState : state;
            EXPECT_EQ(StatusText(Answer({"--timeout-state", timeoutState},
                                        WithError(CompleteDocument(), key, "the details"))),
                      "SSH " + expected + " - " + words + " (the details)")
                << key;
        }
    }
    // A key that cannot be loaded or unlocked is the configuration's fault.
    EXPECT_EQ(StatusText(Answer(
                  {}, WithError(CompleteDocument(), "qo-ssh.results.error.authentication-failed",
                                "User authentication failed with status: -16"))),
              "SSH UNKNOWN - the private key cannot be loaded or unlocked (wrong or missing "
              "passphrase?) (User authentication failed with status: -16)");
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
    // Killed at -t plus the grace, or for a standard output past the cap.
    const auto options = VekPlugin::ParsePluginOptions({"-H", "h", "-l", "u", "-t", "1:WARNING"});
    VekProbeClient::ChildOutcome run;
    run.signal = SIGKILL;
    run.killed = VekProbeClient::KillReasonEnum::Deadline;
    run.elapsed = std::chrono::milliseconds(1052);
    const VekPlugin::PluginAnswer timeout = VekPlugin::JudgeRun(options, run);
    EXPECT_EQ(timeout.state, PluginStateEnum::Warning);
    EXPECT_EQ(timeout.text,
              "SSH WARNING - timeout (no result within -t 1 s; the probe was killed)|"
              "'time'=1.052s;;;0;1\n");
    run.killed = VekProbeClient::KillReasonEnum::OutputTooLarge;
    EXPECT_EQ(VekPlugin::JudgeRun(options, run).text,
              "SSH UNKNOWN - the probe's standard output passed 64 MiB; it was killed\n");
}

// Whatever hangs, the last word ends the process at its moment with its state,
// unless the check claimed the answer first.
TEST(CheckVerdictTest, TheLastWordEndsAHangingCheck) {
    const auto soon = [] {
        return std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
    };
    EXPECT_EXIT(
        {
            VekPlugin::AnswerDeadline lastWord;
            lastWord.Arm(soon(), PluginStateEnum::Warning, "SSH WARNING - timeout\n");
            std::this_thread::sleep_for(std::chrono::seconds(5));
        },
        testing::ExitedWithCode(1), "");
    VekPlugin::AnswerDeadline claimed;
    claimed.Arm(soon(), PluginStateEnum::Warning, "");
    claimed.Claim();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

}  // namespace
