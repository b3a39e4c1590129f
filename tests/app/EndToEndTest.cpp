// The built program as a separate process: its input errors, help, standard
// streams, exit status and signals, and whole tests against the fixture servers.

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/ProbeProcess.h"
#include "app/ResultSchemaCheck.h"
#include "crypto/Base64Codec.h"
#include "fixtures/AsyncsshFixture.h"
#include "fixtures/HostilePorts.h"
#include "fixtures/LoopbackServer.h"
#include "fixtures/OneShotSshd.h"
#include "fixtures/OpenSshFingerprint.h"
#include "fixtures/SshdFixture.h"

namespace {

using Json = nlohmann::json;
using std::chrono::milliseconds;
using VekTest::ProbeRequest;
using VekTest::ProbeRun;
using VekTest::ProbeStdin;

// Far below any budget under test, but the sanitizer build starts slowly.
constexpr milliseconds kQuickRunLimit{20000};
const std::string kErrorCodeKey = "common.results.error-code";
const std::string kErrorDetailsKey = "common.results.error-details";

std::string Base64(const std::string& text) {
    std::string encoded;
    VekLibrary::Crypto::Base64Codec::Encode(text, encoded);
    return encoded;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Shortened(const std::string& text) {
    return text.size() <= 400 ? text : text.substr(0, 400) + "...";
}

std::string Shown(const std::vector<std::string>& arguments) {
    std::string shown;
    for (const std::string& argument : arguments) {
        shown += " '" + Shortened(argument) + "'";
    }
    return shown;
}

std::string PidLine(const ProbeRun& run) {
    return "[SSH VEK] Current process ID: " + std::to_string(run.pid) + "\n";
}

// Runs the program and checks what holds for every run: it ended within its
// limit, standard error starts with the process id line, and standard output
// holds the compact result document alone (no line feed after it) or nothing.
ProbeRun RunVek(const ProbeRequest& request) {
    const ProbeRun run = VekTest::RunProbe(VEK_BINARY, request);
    EXPECT_FALSE(run.killed) << "still running after " << request.killAfter.count() << " ms";
    const std::string pidLine = PidLine(run);
    EXPECT_EQ(run.standardError.substr(0, pidLine.size()), pidLine) << Shortened(run.standardError);
    if (!run.standardOutput.empty()) {
        EXPECT_NE(run.standardOutput.back(), '\n') << "a line feed follows the document";
        const Json parsed = Json::parse(run.standardOutput, nullptr, false);
        if (parsed.is_discarded()) {
            ADD_FAILURE() << "standard output is not one JSON document: "
                          << Shortened(run.standardOutput);
        } else {
            EXPECT_EQ(parsed.dump(), run.standardOutput)
                << "standard output is not the compact document alone";
        }
    }
    return run;
}

ProbeRequest Cli(std::vector<std::string> arguments) {
    ProbeRequest request;
    request.arguments = std::move(arguments);
    request.killAfter = kQuickRunLimit;
    return request;
}

ProbeRequest Stdin(const std::string& text, ProbeStdin mode = ProbeStdin::Text) {
    ProbeRequest request;
    request.stdinMode = mode;
    request.stdinText = text;
    request.killAfter = kQuickRunLimit;
    return request;
}

void ExpectExit(const ProbeRun& run, int code) {
    EXPECT_TRUE(run.exited) << "ended by signal " << run.signal;
    EXPECT_EQ(run.exitCode, code) << Shortened(run.standardError);
}

// The text of a log line after its "%Y-%m-%d %H:%M:%S.mmm" timestamp.
std::string AfterTimestamp(const std::string& line) {
    static const std::regex kTimestamp(
        "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}");
    constexpr std::size_t kLength = 23;
    if (line.size() < kLength || !std::regex_match(line.substr(0, kLength), kTimestamp)) {
        return "<no timestamp> " + line;
    }
    return line.substr(kLength);
}

// Standard error after the process id line.
std::string LogText(const ProbeRun& run) {
    const std::string pidLine = PidLine(run);
    return run.standardError.compare(0, pidLine.size(), pidLine) == 0
               ? run.standardError.substr(pidLine.size())
               : run.standardError;
}

void ExpectInvalidInput(const ProbeRun& run, const std::string& message) {
    ExpectExit(run, 1);
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_EQ(AfterTimestamp(LogText(run)), " [ERR][ID=] Invalid test input: " + message + "\n");
}

const Json& MetricData(const Json& document) {
    return document.at("MonitorResults")
        .at(0)
        .at("StepResults")
        .at(0)
        .at("Metrics")
        .at(0)
        .at("MetricData");
}

const Json& StepOtherData(const Json& document) {
    return document.at("MonitorResults").at(0).at("StepResults").at(0).at("OtherData");
}

Json Document(const ProbeRun& run) {
    const Json document = Json::parse(run.standardOutput, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        ADD_FAILURE() << "no result document: " << Shortened(run.standardOutput) << "\n"
                      << Shortened(run.standardError);
        return Json::object();
    }
    return document;
}

// The document without the stages' durations, which differ between runs.
Json WithoutDurations(Json document) {
    Json& metrics = document["MonitorResults"][0]["StepResults"][0]["Metrics"][0]["MetricData"];
    for (auto item = metrics.begin(); item != metrics.end();) {
        const std::string& key = item.key();
        item = key.size() > 3 && key.compare(key.size() - 3, 3, ".ms") == 0 ? metrics.erase(item)
                                                                            : std::next(item);
    }
    return document;
}

struct CompleteTest {
    std::string testId;
    std::string hostName;
    std::string hostAddress;
    unsigned short port = 0;
    std::string output;
    long returnCode = 0;
};

// What the handshake tells about the server once key exchange succeeded.
const std::vector<std::string> kServerKeys = {
    "qo-ssh.results.metrics.server-identification",
    "qo-ssh.results.metrics.algorithm.kex",
    "qo-ssh.results.metrics.algorithm.host-key",
    "qo-ssh.results.metrics.algorithm.cipher-client-to-server",
    "qo-ssh.results.metrics.algorithm.cipher-server-to-client",
    "qo-ssh.results.metrics.algorithm.mac-client-to-server",
    "qo-ssh.results.metrics.algorithm.mac-server-to-client",
};

const std::vector<std::string> kStageDurationKeys = {
    "common.results.metrics.dns.ms",
    "common.results.metrics.connect.ms",
    "qo-ssh.results.metrics.banner-exchange.ms",
    "qo-ssh.results.metrics.key-exchange.ms",
    "qo-ssh.results.metrics.service-request-exchange.ms",
    "qo-ssh.results.metrics.authentication.ms",
    "qo-ssh.results.metrics.command-execution.ms",
};

// A test that went through every stage: exactly the keys of such a test, no error.
void ExpectCompleteTest(const ProbeRun& run, const CompleteTest& expected) {
    ExpectExit(run, 0);
    const Json document = Document(run);
    if (document.empty()) {
        return;
    }
    EXPECT_EQ(StepOtherData(document), Json::object()) << "an error was recorded";
    const Json& metrics = MetricData(document);
    for (const std::string& key : kStageDurationKeys) {
        ASSERT_TRUE(metrics.contains(key)) << key;
        EXPECT_TRUE(metrics.at(key).is_number_unsigned()) << key << ": " << metrics.at(key);
    }
    EXPECT_EQ(metrics.value("common.test.test-id", Json()), expected.testId);
    EXPECT_EQ(metrics.value("common.results.host.name", Json()), expected.hostName);
    EXPECT_EQ(metrics.value("common.results.host.address", Json()), expected.hostAddress);
    EXPECT_EQ(metrics.value("common.results.host.address.port", Json()), expected.port);
    EXPECT_EQ(metrics.value("qo-ssh.results.metrics.command-execution.result", Json()),
              expected.output);
    EXPECT_EQ(metrics.value("qo-ssh.results.metrics.command-execution.result-size.number", Json()),
              expected.output.size());
    EXPECT_EQ(metrics.value("qo-ssh.results.metrics.command-execution.return-code.number", Json()),
              expected.returnCode);
    const std::string fingerprint =
        metrics.value("qo-ssh.results.metrics.host-fingerprint.hex-encoded", std::string());
    EXPECT_TRUE(std::regex_match(fingerprint, std::regex("[0-9A-Fa-f]{64}"))) << fingerprint;
    for (const std::string& key : kServerKeys) {
        EXPECT_FALSE(metrics.value(key, std::string()).empty()) << key;
    }
    EXPECT_THAT(metrics.value(kServerKeys[0], std::string()), testing::StartsWith("SSH-2.0-"));
    // Eight lists of the server's offer and three verdicts on it (ServerAuditTest).
    EXPECT_EQ(metrics.size(), kStageDurationKeys.size() + kServerKeys.size() + 11 + 8)
        << metrics.dump();
}

std::vector<std::string> TestArguments(const std::string& url, const std::string& user,
                                       const std::string& password, const std::string& testId,
                                       const std::string& commands) {
    return {"-u", url, "-n", user, "-p", password, "-i", testId, "-c", Base64(commands)};
}

std::vector<std::string> SshdArguments(const VekTest::SshdEndpoint& sshd, const std::string& testId,
                                       const std::string& commands) {
    return TestArguments("127.0.0.1:" + std::to_string(sshd.port), sshd.user, sshd.password, testId,
                         commands);
}

std::vector<std::string> Concatenated(std::vector<std::string> first,
                                      const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// A JSON input line as a controlling program writes it, with every member set.
Json JsonInput(const std::string& url, const std::string& user, const std::string& password,
               const std::string& testId, const std::string& commands) {
    Json capabilities = Json::object();
    capabilities["test.common.use-ipv6"] = false;
    capabilities["test.common.url"] = url;
    capabilities["common.test.test-id"] = testId;
    capabilities["common.test.max-step-time"] = 30;
    capabilities["common.test.auth-username"] = user;
    capabilities["common.test.auth-password"] = password;
    capabilities["common.test.send-data-bytes"] = Base64(commands);
    capabilities["common.test.max-downloads-bytes"] = "5000000";
    capabilities["common.test.flag.ignore-file-size-limits"] = false;
    Json settings = Json::object();
    settings["DataDirectory"] = "/tmp/";
    settings["MaxCommandLength"] = 1000;
    settings["DebugModeOn"] = false;
    Json input = Json::object();
    input["Capabilities"] = capabilities;
    input["Settings"] = settings;
    return input;
}

const std::string kCommands = "echo hello; exit 3";

CompleteTest HelloFromSshd(const VekTest::SshdEndpoint& sshd, const std::string& testId) {
    return {testId, "127.0.0.1", "127.0.0.1", sshd.port, "hello\n", 3};
}

// --- input -------------------------------------------------------------------

TEST(EndToEndInputTest, HelpGoesToStandardErrorAsOneLine) {
    const std::vector<std::vector<std::string>> requests = {
        {"-h"}, {"--help"}, {"--he"}, {"-t", "abc", "-u", "qo-ssh://", "-h"}};
    const std::vector<std::string> flags = {"-6, --useIpv6",
                                            "-u, --url",
                                            "-i, --testId",
                                            "-t, --timeout",
                                            "-n, --username",
                                            "-p, --password",
                                            "-c, --commands",
                                            "-b, --maxDownloadBytes",
                                            "-g, --ignoreFileSizeLimits",
                                            "-f, --dataDirectory",
                                            "-l, --maxCommandLength",
                                            "-d, --debug",
                                            "-x, --unsecured",
                                            "-h, --help",
                                            "-k, --hostKey",
                                            "-a, --privateKey",
                                            "-K, --knownHosts",
                                            "-s, --handshakeOnly"};
    const std::string head =
        " [INF][ID=] \nCommand Name: SSH VEK\nCommand Description: Native CLI monitor for SSH "
        "tests.\n\nFlags: -6, --useIpv6\n";
    const std::string tail =
        "\nFlags: -s, --handshakeOnly\nDatakey: /Capabilities/qo-ssh.test.handshake-only\n"
        "Description: If true, end the test after the SSH handshake (banner, key exchange, "
        "service request).\n    No user name, password or key is sent, so username and password "
        "are not required;\n    the document reports the server and its algorithms as in every "
        "test.\n    Cannot be combined with commands.\n    Default: false\nRequirement: Optional "
        "for CLI. Optional for JSON.\nInput Type: Boolean\n\n";
    for (const auto& arguments : requests) {
        SCOPED_TRACE(Shown(arguments));
        const ProbeRun run = RunVek(Cli(arguments));
        ExpectExit(run, 0);
        EXPECT_EQ(run.standardOutput, "");
        const std::string help = AfterTimestamp(LogText(run));
        EXPECT_EQ(help.substr(0, head.size()), head);
        ASSERT_GE(help.size(), tail.size());
        EXPECT_EQ(help.substr(help.size() - tail.size()), tail);
        std::size_t at = 0;
        for (const std::string& flag : flags) {
            at = help.find("\nFlags: " + flag + "\n", at);
            if (at == std::string::npos) {
                ADD_FAILURE() << flag << " missing or out of order";
                break;
            }
        }
        EXPECT_NE(help.find("\nDepends On: -c,\n"), std::string::npos);
    }
}

TEST(EndToEndInputTest, CommandLineErrorsAreReportedAndNothingRuns) {
    // Port 1 on loopback: should a row be accepted by mistake, the test fails
    // quickly on the refused connection instead of reaching out.
    const std::vector<std::string> base = {"-u", "127.0.0.1:1", "-n", "someone", "-p", "secret"};
    const auto with = [&](const std::vector<std::string>& extra) {
        return Concatenated(base, extra);
    };
    const auto url = [](const std::string& target) {
        return std::vector<std::string>{"-u", target, "-n", "someone", "-p", "secret"};
    };
    const std::string echo = Base64("echo");
    const std::string range = ". Valid range: 1 to 18446744073709551615";
    const std::string port =
        " is not valid. Error: UrlComponents: Port must be a number between "
        "1 and 65'535. ";
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-n", "someone", "-p", "secret"}, "Expected option(-u) is not provided."},
        {{"-u", "127.0.0.1:1", "-p", "secret"}, "Expected option(-n) is not provided."},
        {{"-u", "127.0.0.1:1", "-n", "someone"}, "Expected option(-p) is not provided."},
        {with({"-n", ""}), "Expected option(-n) is not provided."},
        {with({"-z"}), "Unknown flag provided: z"},
        {with({"--zz=1"}), "Unknown flag provided: --zz=1"},
        {with({"--u", "x"}), "Unknown flag provided: --u"},
        {with({"--debug=1"}), "Unknown flag provided: d"},
        {with({"-c"}), "Unknown flag provided: c"},
        {with({"extra"}), "Unexpected positional argument provided: extra"},
        {with({"--", "-d"}), "Unexpected positional argument provided: -d"},
        {with({"-t", "abc"}),
         "stoll. Invalid timeout: abc. Timeout must be a non-negative number (>=0)."},
        {with({"-t", "-1"}),
         "Incorrect input provided for option: -t. Input validation failed for value: -1"},
        {with({"-t", "99999999999999999999"}),
         "stoll. Timeout out of integer range: 99999999999999999999. Timeout must be a "
         "non-negative number (>=0)."},
        {with({"-b", "lots"}),
         "stoll. Invalid maximum download bytes: lots. Must be a valid integer."},
        {with({"-b", "-5"}),
         "Incorrect input provided for option: -b. Input validation failed for value: -5"},
        {with({"-b", "99999999999999999999"}),
         "stoll. Invalid maximum download bytes: 99999999999999999999. Must be within the range "
         "of a 64-bit integer."},
        {with({"-c", echo, "-l", "0"}),
         "Incorrect input provided for option: -l. Input validation failed for value: 0"},
        {with({"-c", echo, "-l", "many"}), "stoull. Invalid input: many" + range},
        {with({"-c", echo, "-l", "18446744073709551616"}),
         "stoull. Input out of range: 18446744073709551616" + range},
        {with({"-l", "5"}), "Dependency option(-c) for option(-l) is not provided."},
        {url("qo-ssh://"), "qo-ssh:// is not valid. Error: No hostname. Invalid URL: qo-ssh://"},
        {url("127.0.0.1:0"), "127.0.0.1:0" + port + "Port number out of range. Provided: 0"},
        {url("127.0.0.1:22x"),
         "127.0.0.1:22x" + port + "Port contains non-digit characters. Value: (22x)"},
        {url("ssh_x://host"),
         "ssh_x://host is not valid. Error: Scheme contains invalid characters: ssh_x"},
        {url("a:b:c"),
         "a:b:c is not valid. Error: Host is supposed to be an IPv6 literal but it's not. host: "
         "a:b:c"},
        {with({"-K", "fA*"}), "The known hosts are not properly base64 encoded."},
        {with({"-c", "ZWNobw*"}), "commands are not properly base64 encoded: ZWNobw*"},
        {with({"-c", "ZWNob"}), "commands are not properly base64 encoded: ZWNob"},
        {with({"-c", Base64(std::string(1001, ':'))}),
         "Command Length exceeds max allowed command length: 1000"},
        {with({"-c", Base64("abcdef"), "-l", "5"}),
         "Command Length exceeds max allowed command length: 5"},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(Shown(testCase.arguments));
        ExpectInvalidInput(RunVek(Cli(testCase.arguments)), testCase.message);
    }
}

TEST(EndToEndInputTest, JsonInputErrorsAreReportedAndNothingRuns) {
    const Json valid = JsonInput("127.0.0.1:1", "someone", "secret", "t1", "echo");
    using Change = std::function<void(Json&)>;
    const auto remove = [](const std::string& object, const std::string& key) -> Change {
        return [=](Json& input) { input.at(object).erase(key); };
    };
    const auto set = [](const std::string& object, const std::string& key, Json value) -> Change {
        return [=](Json& input) { input.at(object)[key] = value; };
    };
    const std::string caps = "Capabilities";
    struct Case {
        std::string name;
        // Either the raw standard input (with `mode`) or a change of the valid input.
        std::string raw;
        Change change;
        std::string message;
        ProbeStdin mode = ProbeStdin::Text;
    };
    const std::string deep = "{\"p\":" + std::string(5000, '[') + std::string(5000, ']') + "}\n";
    const std::vector<Case> cases = {
        {"not JSON", "hello\n", nullptr,
         "Invalid JSON input provided. Failed to parse the input string."},
        {"empty line", "\n", nullptr, "Empty string provided when a serialized Json was required."},
        {"nothing, then end of input", "", nullptr,
         "Unable to read test input. Error occurred while reading input from stdin."},
        {"/dev/null", "", nullptr,
         "Unable to read test input. Error while reading input from stdin. read: ",
         ProbeStdin::DevNull},
        {"document over two lines", "{\n" + valid.dump().substr(1) + "\n", nullptr,
         "Invalid JSON input provided. Failed to parse the input string."},
        {"nested too deep", deep, nullptr,
         "Invalid JSON input provided. Arrays and objects are nested deeper than 1000 levels."},
        {"root is an array", "[1,2]\n", nullptr,
         "Error occurred when trying to lookup key: test.common.use-ipv6"},
        {"Capabilities is a string", "", [](Json& input) { input["Capabilities"] = "x"; },
         "Error occurred when trying to lookup key: test.common.use-ipv6"},
        {"Settings is a number", "", [](Json& input) { input["Settings"] = 5; },
         "Error occurred when trying to lookup key: DataDirectory"},
        {"no Settings", "", [](Json& input) { input.erase("Settings"); },
         "Expected option(-f) is not provided."},
        {"no DataDirectory", "", remove("Settings", "DataDirectory"),
         "Expected option(-f) is not provided."},
        {"no use-ipv6", "", remove(caps, "test.common.use-ipv6"),
         "Expected option(-6) is not provided."},
        {"no url", "", remove(caps, "test.common.url"), "Expected option(-u) is not provided."},
        {"no password", "", remove(caps, "common.test.auth-password"),
         "Expected option(-p) is not provided."},
        {"empty user name", "", set(caps, "common.test.auth-username", ""),
         "Expected option(-n) is not provided."},
        {"use-ipv6 as a string", "", set(caps, "test.common.use-ipv6", "false"),
         "Input value of type boolean was expected."},
        {"url as a number", "", set(caps, "test.common.url", 5),
         "Input value of type string was expected."},
        {"test id as a number", "", set(caps, "common.test.test-id", 7),
         "Input value of type string was expected."},
        {"timeout as a string", "", set(caps, "common.test.max-step-time", "10"),
         "Input value of type integer was expected."},
        {"timeout with a fraction", "", set(caps, "common.test.max-step-time", 2.5),
         "Input value of type integer was expected."},
        {"negative timeout", "", set(caps, "common.test.max-step-time", -1),
         "Incorrect input provided for option: -t. Input validation failed for value: -1"},
        {"negative MaxCommandLength", "", set("Settings", "MaxCommandLength", -1),
         "Input value of type unsigned integer was expected."},
        {"MaxCommandLength 0", "", set("Settings", "MaxCommandLength", 0),
         "Incorrect input provided for option: -l. Input validation failed for value: 0"},
        {"MaxCommandLength without commands", "", remove(caps, "common.test.send-data-bytes"),
         "Dependency option(-c) for option(-l) is not provided."},
        {"download limit true", "", set(caps, "common.test.max-downloads-bytes", true),
         "stoll. Invalid maximum download bytes: true. Must be a valid integer."},
        {"negative download limit", "", set(caps, "common.test.max-downloads-bytes", -1),
         "Incorrect input provided for option: -b. Input validation failed for value: -1"},
        {"ignore-file-size-limits as a string", "",
         set(caps, "common.test.flag.ignore-file-size-limits", "true"),
         "Input value of type boolean was expected."},
        {"DebugModeOn as a number", "", set("Settings", "DebugModeOn", 1),
         "Input value of type boolean was expected."},
        {"commands not Base64", "", set(caps, "common.test.send-data-bytes", "%%%%"),
         "commands are not properly base64 encoded: %%%%"},
        {"commands too long", "",
         set(caps, "common.test.send-data-bytes", Base64(std::string(1001, ':'))),
         "Command Length exceeds max allowed command length: 1000"},
        {"invalid url", "", set(caps, "test.common.url", "qo-ssh://"),
         "qo-ssh:// is not valid. Error: No hostname. Invalid URL: qo-ssh://"},
        // Refused without repeating the value, which the exact line checked proves.
        {"test id too long", "", set(caps, "common.test.test-id", std::string(1025, 'i')),
         "Incorrect input provided for option: -i. The value is longer than 1024 bytes."},
        {"user name too long", "", set(caps, "common.test.auth-username", std::string(1025, 'n')),
         "Incorrect input provided for option: -n. The value is longer than 1024 bytes."},
        {"url too long", "", set(caps, "test.common.url", std::string(70000, 'u')),
         "Incorrect input provided for option: -u. The value is longer than 1024 bytes."},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        std::string text = testCase.raw;
        if (testCase.change) {
            Json input = valid;
            testCase.change(input);
            text = input.dump() + "\n";
        }
        ExpectInvalidInput(RunVek(Stdin(text, testCase.mode)), testCase.message);
    }
}

TEST(EndToEndInputTest, RefusedHostKeysInBothInputModes) {
    const std::string hex = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
    const std::string base64 = "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU";
    const auto refused = [](const std::string& item) {
        return "Invalid host key fingerprint: " + item +
               ". Expected SHA256:<base64> or 64 hexadecimal characters.";
    };
    struct Case {
        std::string value;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"nonsense", refused("nonsense")},
        {hex + ",", refused("")},
        {hex + ", ," + hex, refused("")},
        {",", refused("")},
        {" " + hex.substr(1) + " , " + hex, refused(hex.substr(1))},
        {hex + "00", refused(hex + "00")},
        {"SHA256:" + base64.substr(1), refused("SHA256:" + base64.substr(1))},
        {"sha256:" + base64, refused("sha256:" + base64)},
        {"SHA256:<base64>", refused("SHA256:<base64>")},
        {"SHA256:" + base64 + " extra", refused("SHA256:" + base64 + " extra")},
        // An empty value is refused like that of any other option.
        {"", "Expected option(-k) is not provided."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.value + "'");
        ExpectInvalidInput(
            RunVek(Cli({"-u", "127.0.0.1:1", "-n", "someone", "-p", "secret", "-k", c.value})),
            c.message);
        Json input = JsonInput("127.0.0.1:1", "someone", "secret", "t1", "echo");
        input["Capabilities"]["qo-ssh.test.host-key-fingerprints"] = c.value;
        ExpectInvalidInput(RunVek(Stdin(input.dump() + "\n")), c.message);
    }
}

TEST(EndToEndInputTest, JsonThatNeverArrivesEndsAfterFiveSeconds) {
    ProbeRequest request = Stdin("", ProbeStdin::SilentPipe);
    request.killAfter = milliseconds(15000);
    const ProbeRun run = RunVek(request);
    ExpectInvalidInput(run,
                       "Unable to read test input. Timed out while waiting for input from stdin.");
    EXPECT_GE(run.elapsed, milliseconds(4900));
    EXPECT_LE(run.elapsed, milliseconds(6500));
}

TEST(EndToEndInputTest, AnInputLinePastTheLimitIsRefusedWhileReading) {
    // A test id of 50 MB in a file on standard input: the offset the probe leaves
    // in the shared file shows how far it read, wait4 its peak memory.
    constexpr long kLimit = 16 * 1024 * 1024;
    FILE* files[3] = {std::tmpfile(), std::tmpfile(), std::tmpfile()};
    for (FILE* file : files) {
        ASSERT_NE(file, nullptr);
    }
    std::fputs("{\"Capabilities\":{\"common.test.test-id\":\"", files[0]);
    const std::string megabyte(1000 * 1000, 'i');
    for (int i = 0; i < 50; ++i) {
        std::fwrite(megabyte.data(), 1, megabyte.size(), files[0]);
    }
    std::fputs("\"}}\n", files[0]);
    std::fflush(files[0]);
    ::lseek(fileno(files[0]), 0, SEEK_SET);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int descriptor = 0; descriptor < 3; ++descriptor) {
        posix_spawn_file_actions_adddup2(&actions, fileno(files[descriptor]), descriptor);
    }
    char* const argv[] = {const_cast<char*>("vek"), nullptr};
    pid_t pid = -1;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(posix_spawn(&pid, VEK_BINARY, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    rusage usage{};
    int status = 0;
    const auto deadline = start + kQuickRunLimit;
    while (::wait4(pid, &status, WNOHANG, &usage) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::wait4(pid, &status, 0, &usage);
            FAIL() << "still reading after " << kQuickRunLimit.count() << " ms";
        }
        std::this_thread::sleep_for(milliseconds(5));
    }
    const auto elapsed =
        std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
    const long consumed = ::lseek(fileno(files[0]), 0, SEEK_CUR);
    std::string streams[2];
    for (int i = 0; i < 2; ++i) {
        std::rewind(files[i + 1]);
        char chunk[4096];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, files[i + 1])) > 0;) {
            streams[i].append(chunk, n);
        }
    }
    for (FILE* file : files) {
        std::fclose(file);
    }
    std::cout << "50 MB input line: refused after " << elapsed.count() << " ms, peak RSS "
              << usage.ru_maxrss / 1024 << " MiB, " << consumed << " bytes read\n";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(streams[0], "");
    const std::string pidLine = "[SSH VEK] Current process ID: " + std::to_string(pid) + "\n";
    EXPECT_EQ(AfterTimestamp(streams[1].substr(std::min(pidLine.size(), streams[1].size()))),
              " [ERR][ID=] Invalid test input: Unable to read test input. The input line is "
              "longer than 16777216 bytes.\n");
    // One stdio buffer of read-ahead at most.
    EXPECT_LE(consumed, kLimit + 64 * 1024);
#ifndef __SANITIZE_ADDRESS__
    EXPECT_LT(usage.ru_maxrss, 40 * 1024) << "KiB";
#endif
}

// --- whole tests -------------------------------------------------------------

TEST(EndToEndSessionTest, CompleteTestReportsEveryStage) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    const std::string port = std::to_string(sshd.port);
    struct Case {
        std::string url;
        std::vector<std::string> extra;
        std::string hostName;
        std::string hostAddress;
    };
    std::vector<Case> cases = {
        {"127.0.0.1:" + port, {}, "127.0.0.1", "127.0.0.1"},
        {"qo-ssh://localhost:" + port, {}, "localhost", "127.0.0.1"},
    };
    if (!sshd.host6.empty()) {
        cases.push_back({"[::1]:" + port, {"-6"}, "::1", "::1"});
    }
    std::vector<std::string> documents;
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.url);
        const ProbeRun run = RunVek(Cli(Concatenated(
            TestArguments(testCase.url, sshd.user, sshd.password, "e2e-complete", kCommands),
            testCase.extra)));
        ExpectCompleteTest(run, {"e2e-complete", testCase.hostName, testCase.hostAddress, sshd.port,
                                 "hello\n", 3});
        documents.push_back(run.standardOutput);
    }
    EXPECT_TRUE(Ssh::Testing::AllMatchResultSchema(documents));
}

TEST(EndToEndSessionTest, JsonInputGivesTheCommandLinesDocument) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    const ProbeRun cli = RunVek(Cli(SshdArguments(sshd, "e2e-json", kCommands)));
    ExpectCompleteTest(cli, HelloFromSshd(sshd, "e2e-json"));
    const Json expected = WithoutDurations(Document(cli));

    const Json input = JsonInput("127.0.0.1:" + std::to_string(sshd.port), sshd.user, sshd.password,
                                 "e2e-json", kCommands);
    using Change = std::function<void(Json&)>;
    struct Case {
        std::string name;
        Change change;
    };
    const std::vector<Case> cases = {
        {"every member given", [](Json&) {}},
        {"download limit as a number",
         [](Json& in) { in["Capabilities"]["common.test.max-downloads-bytes"] = 5000000; }},
        // Help and unsecured mode exist on the command line only.
        {"help and unsecured members are not options",
         [](Json& in) {
             in["help"] = true;
             in["unsecured"] = true;
             in["Settings"]["help"] = true;
             in["Capabilities"]["help"] = true;
         }},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        Json changed = input;
        testCase.change(changed);
        const ProbeRun run = RunVek(Stdin(changed.dump() + "\n"));
        ExpectCompleteTest(run, HelloFromSshd(sshd, "e2e-json"));
        EXPECT_EQ(WithoutDurations(Document(run)), expected);
    }
}

TEST(EndToEndSessionTest, AnyTimeoutIsAWorkingBudget) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    // 0 means no limit; from 2147484 s on, the budget in milliseconds exceeds
    // what a stage accepts; the last is the largest the input allows.
    for (const std::string timeout : {"0", "2147484", "3000000", "9223372036854775807"}) {
        SCOPED_TRACE(timeout);
        const ProbeRun run = RunVek(
            Cli(Concatenated(SshdArguments(sshd, "e2e-budget", kCommands), {"-t", timeout})));
        ExpectCompleteTest(run, HelloFromSshd(sshd, "e2e-budget"));
    }
}

// The probe reads no configuration file: an OpenSSL configuration that OpenSSL
// cannot load (it activates a provider that does not exist) has no say.
TEST(EndToEndSessionTest, TheMachinesOpenSslConfigurationIsNotRead) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    const std::string path = std::string(VEK_SSHD_FIXTURE_DIR) + "/broken-openssl.cnf";
    std::ofstream(path) << "openssl_conf = a\nconfig_diagnostics = 1\n[a]\nproviders = b\n"
                           "[b]\nmissing = c\n[c]\nactivate = 1\n";
    ::setenv("OPENSSL_CONF", path.c_str(), 1);
    const ProbeRun run = RunVek(Cli(SshdArguments(sshd, "e2e-openssl-conf", kCommands)));
    ExpectCompleteTest(run, HelloFromSshd(sshd, "e2e-openssl-conf"));
}

TEST(EndToEndSessionTest, SilentCommandEndsWithTheBudget) {
    const VekTest::AsyncsshEndpoint server = VekTest::ReadAsyncsshEndpoint();
    const ProbeRun run =
        RunVek(Cli(Concatenated(TestArguments(server.host + ":" + std::to_string(server.port),
                                              "silent", server.password, "e2e-silent", "echo hi\n"),
                                {"-t", "2"})));
    ExpectExit(run, 0);
    const Json document = Document(run);
    ASSERT_FALSE(document.empty());
    EXPECT_EQ(StepOtherData(document).value(kErrorCodeKey, std::string()),
              "qo-ssh.results.error.command-execution-timeout");
    EXPECT_TRUE(StepOtherData(document).contains(kErrorDetailsKey));
    EXPECT_TRUE(MetricData(document).contains("qo-ssh.results.metrics.authentication.ms"));
    EXPECT_GE(run.elapsed, milliseconds(1500));
    EXPECT_LE(run.elapsed, milliseconds(3000));
    EXPECT_TRUE(Ssh::Testing::AllMatchResultSchema({run.standardOutput}));
}

TEST(EndToEndSessionTest, DebugModeShowsCredentialsOnlyWhenUnsecured) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    Json debugJson = JsonInput("127.0.0.1:" + std::to_string(sshd.port), sshd.user, sshd.password,
                               "e2e-debug", kCommands);
    debugJson["Settings"]["DebugModeOn"] = true;
    debugJson["unsecured"] = true;
    debugJson["Settings"]["unsecured"] = true;
    struct Case {
        std::string name;
        ProbeRequest request;
        bool credentialsShown;
    };
    const std::vector<std::string> test = SshdArguments(sshd, "e2e-debug", kCommands);
    const std::vector<Case> cases = {
        {"-d", Cli(Concatenated(test, {"-d"})), false},
        {"-d -x", Cli(Concatenated(test, {"-d", "-x"})), true},
        {"JSON debug mode with unsecured members", Stdin(debugJson.dump() + "\n"), false},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const ProbeRun run = RunVek(testCase.request);
        ExpectCompleteTest(run, HelloFromSshd(sshd, "e2e-debug"));
        const std::string log = LogText(run);
        EXPECT_NE(log.find("[DBG][ID=e2e-debug] Test Input: "), std::string::npos);
        // Tracing beyond the input line.
        std::size_t debugLines = 0;
        for (std::size_t at = log.find("[DBG]"); at != std::string::npos;
             at = log.find("[DBG]", at + 1)) {
            ++debugLines;
        }
        EXPECT_GE(debugLines, 2u);
        if (testCase.credentialsShown) {
            EXPECT_NE(log.find("Username: " + sshd.user + ", Password: " + sshd.password),
                      std::string::npos)
                << Shortened(log);
            continue;
        }
        EXPECT_NE(log.find("(Username and Password hidden in secured mode)"), std::string::npos);
        for (const std::string& secret : {sshd.user, sshd.password}) {
            EXPECT_EQ(Lower(run.standardError).find(Lower(secret)), std::string::npos);
            EXPECT_EQ(Lower(run.standardOutput).find(Lower(secret)), std::string::npos);
        }
    }
}

std::string SshdFingerprint() {
    return VekTest::OpenSshFingerprint(std::string(VEK_SSHD_FIXTURE_DIR) +
                                       "/ssh_host_ed25519_key.pub");
}

TEST(EndToEndSessionTest, MatchingHostKeyLetsTheTestRunInBothInputModes) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    const std::string pins = "SHA256:" + std::string(43, 'A') + ", " + SshdFingerprint();
    const ProbeRun cli =
        RunVek(Cli(Concatenated(SshdArguments(sshd, "e2e-pin", kCommands), {"--hostKey", pins})));
    ExpectCompleteTest(cli, HelloFromSshd(sshd, "e2e-pin"));
    Json input = JsonInput("127.0.0.1:" + std::to_string(sshd.port), sshd.user, sshd.password,
                           "e2e-pin", kCommands);
    input["Capabilities"]["qo-ssh.test.host-key-fingerprints"] = pins;
    ExpectCompleteTest(RunVek(Stdin(input.dump() + "\n")), HelloFromSshd(sshd, "e2e-pin"));
}

// -K takes what ssh-keyscan -H wrote; a name it does not list ends the test early.
TEST(EndToEndSessionTest, KnownHostsFromSshKeyscanInBothInputModes) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    const std::string knownHosts = Base64(VekTest::FileText(VekTest::kSshdKnownHosts));
    ExpectCompleteTest(
        RunVek(Cli(Concatenated(SshdArguments(sshd, "e2e-known", kCommands), {"-K", knownHosts}))),
        HelloFromSshd(sshd, "e2e-known"));
    const std::string port = std::to_string(sshd.port);
    Json input = JsonInput("LocalHost:" + port, sshd.user, sshd.password, "e2e-known", kCommands);
    input["Capabilities"]["qo-ssh.test.known-hosts"] = knownHosts;
    const ProbeRun run = RunVek(Stdin(input.dump() + "\n"));
    const std::string details = "The known hosts list no key for [localhost]:" + port + ".";
    EXPECT_EQ(StepOtherData(Document(run)),
              Json({{kErrorCodeKey, "qo-ssh.results.error.host-key-unknown"},
                    {kErrorDetailsKey, details}}));
    EXPECT_TRUE(Ssh::Testing::AllMatchResultSchema({run.standardOutput}));
}

// The probe stops after the handshake: the document tells whom it met, and the
// one-shot sshd's debug log shows that no authentication request ever arrived.
TEST(EndToEndSessionTest, WrongHostKeyIsAMismatchAndNoPasswordIsSent) {
    const VekTest::SshdEndpoint fixture = VekTest::ReadSshdEndpoint();
    VekTest::OneShotSshd sshd;
    const std::string wrong = "SHA256:" + std::string(43, 'A');
    const ProbeRun run = RunVek(
        Cli(Concatenated(TestArguments("127.0.0.1:" + std::to_string(sshd.Port()), fixture.user,
                                       fixture.password, "e2e-mismatch", kCommands),
                         {"-k", wrong})));
    const std::string sshdLog = sshd.FinishedLog();
    ExpectExit(run, 0);
    const Json document = Document(run);
    ASSERT_FALSE(document.empty());
    const std::string details =
        "Host key " + SshdFingerprint() + " is not one of the expected keys.";
    EXPECT_EQ(StepOtherData(document),
              Json({{kErrorCodeKey, "qo-ssh.results.error.host-key-mismatch"},
                    {kErrorDetailsKey, details}}));
    const Json& metrics = MetricData(document);
    for (const std::string& key : kServerKeys) {
        EXPECT_TRUE(metrics.contains(key)) << key;
    }
    for (const char* key :
         {"common.results.metrics.dns.ms", "common.results.metrics.connect.ms",
          "qo-ssh.results.metrics.banner-exchange.ms", "qo-ssh.results.metrics.key-exchange.ms",
          "qo-ssh.results.metrics.service-request-exchange.ms",
          "qo-ssh.results.metrics.host-fingerprint.hex-encoded",
          "common.results.host.address.port"}) {
        EXPECT_TRUE(metrics.contains(key)) << key;
    }
    EXPECT_FALSE(metrics.contains("qo-ssh.results.metrics.authentication.ms"));
    EXPECT_FALSE(metrics.contains("qo-ssh.results.metrics.command-execution.ms"));
    EXPECT_THAT(LogText(run), testing::HasSubstr("[INF][ID=e2e-mismatch] SshClient host key "
                                                 "mismatch - " +
                                                 details + "\n"));
    EXPECT_TRUE(Ssh::Testing::AllMatchResultSchema({run.standardOutput}));
    EXPECT_THAT(sshdLog, testing::HasSubstr("KEX done"));
    EXPECT_THAT(sshdLog, testing::Not(testing::HasSubstr("userauth-request")));
    EXPECT_THAT(sshdLog, testing::Not(testing::HasSubstr("password")));
}

// Every text in the document is valid UTF-8 whatever bytes arrived; each
// ill-formed subpart becomes one U+FFFD and the size stays the bytes received.
TEST(EndToEndSessionTest, OddBytesNeverCostTheDocument) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    const VekTest::AsyncsshEndpoint asyncssh = VekTest::ReadAsyncsshEndpoint();
    const std::string r = "\xEF\xBF\xBD";
    const auto local = [](unsigned short port) { return "127.0.0.1:" + std::to_string(port); };
    struct Case {
        std::string name;
        std::vector<std::string> arguments;
        std::string output;
        std::size_t size;
        std::string identification;  // empty: not checked
    };
    const std::vector<Case> cases = {
        {"a Latin-1 Groesse",
         TestArguments(local(sshd.port), sshd.user, sshd.password, "e2e-odd",
                       "printf 'Gr\\374\\337e\\n'"),
         "Gr" + r + r + "e\n", 6, ""},
        {"every kind of ill-formed sequence",
         TestArguments(local(asyncssh.port), "badutf8", asyncssh.password, "e2e-odd", "true"),
         "lone " + r + "|cut " + r + "|overlong " + r + r + "|surrogate " + r + r + r + "|high " +
             r + r + r + r + "|end " + r,
         56, ""},
        {"an identification line that is not UTF-8",
         TestArguments(local(asyncssh.oddBannerPort), "ok", asyncssh.password, "e2e-odd", "true"),
         "ok\n", 3, "SSH-2.0-VekOdd_1.0 Gr" + r + r + "e"},
    };
    std::vector<std::string> documents;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProbeRun run = RunVek(Cli(c.arguments));
        ExpectExit(run, 0);
        const Json document = Document(run);
        ASSERT_FALSE(document.empty());
        EXPECT_EQ(StepOtherData(document), Json::object());
        const Json& metrics = MetricData(document);
        EXPECT_EQ(metrics.value("qo-ssh.results.metrics.command-execution.result", Json()),
                  c.output);
        EXPECT_EQ(
            metrics.value("qo-ssh.results.metrics.command-execution.result-size.number", Json()),
            c.size);
        if (!c.identification.empty()) {
            EXPECT_EQ(metrics.value("qo-ssh.results.metrics.server-identification", Json()),
                      c.identification);
        }
        documents.push_back(run.standardOutput);
    }
    EXPECT_TRUE(Ssh::Testing::AllMatchResultSchema(documents));
}

TEST(EndToEndSessionTest, OutputBeforeATimeoutIsKept) {
    const VekTest::AsyncsshEndpoint server = VekTest::ReadAsyncsshEndpoint();
    const ProbeRun run =
        RunVek(Cli(Concatenated(TestArguments("127.0.0.1:" + std::to_string(server.port), "hang",
                                              server.password, "e2e-hang", "true"),
                                {"-t", "3"})));
    ExpectExit(run, 0);
    const Json document = Document(run);
    ASSERT_FALSE(document.empty());
    EXPECT_EQ(StepOtherData(document).value(kErrorCodeKey, std::string()),
              "qo-ssh.results.error.command-execution-timeout");
    // Which wait saw the time run out depends on the moment; every one keeps the output.
    EXPECT_THAT(StepOtherData(document).value(kErrorDetailsKey, std::string()),
                testing::StartsWith("A timeout occurred. Reason: "));
    const Json& metrics = MetricData(document);
    EXPECT_EQ(metrics.value("qo-ssh.results.metrics.command-execution.result", Json()),
              "partial\n");
    EXPECT_EQ(metrics.value("qo-ssh.results.metrics.command-execution.result-size.number", Json()),
              8);
    EXPECT_FALSE(metrics.contains("qo-ssh.results.metrics.command-execution.return-code.number"));
    EXPECT_TRUE(Ssh::Testing::AllMatchResultSchema({run.standardOutput}));
}

// Every kind of ending, in secured debug mode with the SSH library's tracing on:
// neither credential may show anywhere in what the probe writes.
TEST(EndToEndSessionTest, NoCaseShowsTheCredentials) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    const VekTest::AsyncsshEndpoint asyncssh = VekTest::ReadAsyncsshEndpoint();
    const std::string user = "vekCredUser7Q";
    const std::string password = "Pw-9xZt!qL2m";
    VekTest::LoopbackServer silent(VekTest::StaySilent());
    VekTest::LoopbackServer closing(VekTest::CloseAtOnce());
    VekTest::LoopbackServer nulBanner(
        VekTest::SendThenHold(std::string("SSH-2.0-Bad\0Banner\r\n", 20)));
    VekTest::LoopbackServer bannerThenClose(VekTest::SendThenClose("SSH-2.0-OpenSSH_9.2\r\n"));
    VekTest::LoopbackServer trickle(
        VekTest::TrickleBytes("SSH-2.0-Trickle\r\n", milliseconds(300)));
    const VekTest::RefusedPort refused;
    const VekTest::FilteredPort filtered;
    const auto local = [](unsigned short port) { return "127.0.0.1:" + std::to_string(port); };
    struct Case {
        std::string name;
        std::string url;
        std::string user;  // empty: a scenario name, too common a word to look for
        std::string password;
        std::string loginName;
    };
    const std::vector<Case> cases = {
        {"sshd success", local(sshd.port), sshd.user, sshd.password, sshd.user},
        {"sshd wrong password", local(sshd.port), sshd.user, sshd.password + "-wrong", sshd.user},
        {"expired", local(asyncssh.port), "", asyncssh.password, "expired"},
        {"refused shell", local(asyncssh.port), "", asyncssh.password, "noshell"},
        {"slow authentication", local(asyncssh.port), "", asyncssh.password, "slowauth"},
        {"silent command", local(asyncssh.port), "", asyncssh.password, "silent"},
        {"silent server", local(silent.Port()), user, password, user},
        {"closes at once", local(closing.Port()), user, password, user},
        {"NUL in banner", local(nulBanner.Port()), user, password, user},
        {"banner then close", local(bannerThenClose.Port()), user, password, user},
        {"trickling banner", local(trickle.Port()), user, password, user},
        {"refused port", local(refused.Port()), user, password, user},
        {"filtered port", local(filtered.Port()), user, password, user},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProbeRun run = RunVek(Cli(
            Concatenated(TestArguments(c.url, c.loginName, c.password, "e2e-secrets", "echo hi"),
                         {"-d", "-t", "1"})));
        ExpectExit(run, 0);
        const std::string everything = Lower(run.standardOutput + run.standardError);
        EXPECT_NE(everything.find("[dbg]"), std::string::npos);
        EXPECT_EQ(everything.find(Lower(c.password)), std::string::npos) << Shortened(everything);
        if (!c.user.empty()) {
            EXPECT_EQ(everything.find(Lower(c.user)), std::string::npos) << Shortened(everything);
        }
    }
}

// --- process ---------------------------------------------------------------

TEST(EndToEndProcessTest, TerminationMidTestExitsWithOneAndNoDocument) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    ProbeRequest request =
        Cli(Concatenated(SshdArguments(sshd, "e2e-term", "sleep 30"), {"-t", "60"}));
    request.terminateAfter = milliseconds(1000);
    const ProbeRun run = RunVek(request);
    ExpectExit(run, 1);
    EXPECT_EQ(run.standardOutput, "");
    EXPECT_NE(
        run.standardError.find("\n[SSH VEK] Received signal: [15] - Terminated. Exiting...\n"),
        std::string::npos)
        << Shortened(run.standardError);
    EXPECT_GE(run.elapsed, milliseconds(1000));
    EXPECT_LE(run.elapsed, milliseconds(5000));
}

TEST(EndToEndProcessTest, PasswordIsGoneFromTheProcessListMidTest) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    std::vector<std::string> arguments = SshdArguments(sshd, "e2e-cmdline", "sleep 2");
    // The other spellings of the option, which must be wiped as well.
    arguments.push_back("--password=" + sshd.password);
    ProbeRequest request = Cli(arguments);
    std::string cmdline;
    request.inspectAfter = milliseconds(1000);
    request.inspect = [&cmdline](pid_t pid) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
        cmdline.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const ProbeRun run = RunVek(request);
    ExpectExit(run, 0);
    ASSERT_NE(cmdline.find(sshd.user), std::string::npos) << "cmdline not read: " << cmdline;
    EXPECT_EQ(cmdline.find(sshd.password), std::string::npos);
    EXPECT_NE(cmdline.find("--password=" + std::string(sshd.password.size(), 'x')),
              std::string::npos);
}

TEST(EndToEndProcessTest, StartedWithoutStandardOutputTheDocumentGoesNowhereElse) {
    // The first socket would otherwise take descriptor 1, and the document would be
    // written into the SSH connection while the exit code said it was delivered.
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    ProbeRequest request = Cli(SshdArguments(sshd, "e2e-nostdout", "echo hi"));
    request.startWithoutStdout = true;
    const ProbeRun run = RunVek(request);
    ExpectExit(run, 1);
    EXPECT_NE(
        run.standardError.find("[ERR][ID=e2e-nostdout] Failure while writing to output stream.\n"),
        std::string::npos)
        << Shortened(LogText(run));
}

TEST(EndToEndProcessTest, ClosedStandardOutputIsAnErrorNotADeath) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    ProbeRequest request = Cli(SshdArguments(sshd, "e2e-closed", "sleep 1; echo late"));
    request.closeStdout = true;
    const ProbeRun run = RunVek(request);
    EXPECT_EQ(run.signal, 0) << "ended by signal " << run.signal;
    ExpectExit(run, 1);
    EXPECT_NE(
        run.standardError.find("[ERR][ID=e2e-closed] Failure while writing to output stream.\n"),
        std::string::npos)
        << Shortened(LogText(run));
}

}  // namespace
