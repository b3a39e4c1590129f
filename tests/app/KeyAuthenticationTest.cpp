// The built program logging in with private keys against the key-only sshd, and
// with keyboard-interactive against the programmable server; and the secrets of
// both never leaving the process.

#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/ProbeProcess.h"
#include "crypto/Base64Codec.h"
#include "fixtures/AsyncsshFixture.h"
#include "fixtures/SshdFixture.h"

namespace {

using Json = nlohmann::json;
using std::chrono::milliseconds;
using VekTest::ProbeRequest;
using VekTest::ProbeRun;

constexpr milliseconds kQuickRunLimit{20000};
const std::string kErrorCodeKey = "common.results.error-code";
const std::string kErrorDetailsKey = "common.results.error-details";
const std::string kAuthenticationFailed = "qo-ssh.results.error.authentication-failed";
const std::string kCommands = "echo hello; exit 3";

std::string Base64(const std::string& text) {
    std::string encoded;
    VekLibrary::Crypto::Base64Codec::Encode(text, encoded);
    return encoded;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ADD_FAILURE() << "cannot read " << path;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Shortened(const std::string& text) {
    return text.size() <= 600 ? text : text.substr(0, 600) + "...";
}

ProbeRun RunVek(const ProbeRequest& request) {
    const ProbeRun run = VekTest::RunProbe(VEK_BINARY, request);
    EXPECT_FALSE(run.killed) << "still running after " << request.killAfter.count() << " ms";
    return run;
}

ProbeRequest Cli(std::vector<std::string> arguments) {
    ProbeRequest request;
    request.arguments = std::move(arguments);
    request.killAfter = kQuickRunLimit;
    return request;
}

ProbeRequest Stdin(const Json& input) {
    ProbeRequest request;
    request.stdinMode = VekTest::ProbeStdin::Text;
    request.stdinText = input.dump() + "\n";
    request.killAfter = kQuickRunLimit;
    return request;
}

std::string Local(unsigned short port) {
    return "127.0.0.1:" + std::to_string(port);
}

// Command line arguments of a test; an empty password or key is left out.
std::vector<std::string> Arguments(const std::string& url, const std::string& user,
                                   const std::string& password, const std::string& keyText,
                                   const std::string& commands = kCommands) {
    std::vector<std::string> arguments = {"-u", url, "-n", user, "-i", "e2e-keys"};
    if (!password.empty()) {
        arguments.insert(arguments.end(), {"-p", password});
    }
    if (!keyText.empty()) {
        arguments.insert(arguments.end(), {"-a", Base64(keyText)});
    }
    arguments.insert(arguments.end(), {"-c", Base64(commands)});
    return arguments;
}

// The same test as a JSON input line.
Json JsonInput(const std::string& url, const std::string& user, const std::string& password,
               const std::string& keyText, const std::string& commands = kCommands) {
    Json capabilities = Json::object();
    capabilities["test.common.use-ipv6"] = false;
    capabilities["test.common.url"] = url;
    capabilities["common.test.test-id"] = "e2e-keys";
    capabilities["common.test.auth-username"] = user;
    if (!password.empty()) {
        capabilities["common.test.auth-password"] = password;
    }
    if (!keyText.empty()) {
        capabilities["common.test.auth-private-key"] = Base64(keyText);
    }
    capabilities["common.test.send-data-bytes"] = Base64(commands);
    Json input = Json::object();
    input["Capabilities"] = capabilities;
    input["Settings"] = {{"DataDirectory", "/tmp/"}, {"DebugModeOn", false}};
    return input;
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

const Json& StepResult(const Json& document) {
    return document.at("MonitorResults").at(0).at("StepResults").at(0);
}

// A test that logged in and ran the commands.
void ExpectLoggedIn(const ProbeRun& run, const std::string& output, long returnCode) {
    EXPECT_TRUE(run.exited && run.exitCode == 0) << Shortened(run.standardError);
    const Json document = Document(run);
    if (document.empty()) {
        return;
    }
    EXPECT_EQ(StepResult(document).at("OtherData"), Json::object()) << Shortened(run.standardError);
    const Json& metrics = StepResult(document).at("Metrics").at(0).at("MetricData");
    EXPECT_TRUE(metrics.contains("qo-ssh.results.metrics.authentication.ms"));
    EXPECT_EQ(metrics.value("qo-ssh.results.metrics.command-execution.result", Json()), output);
    EXPECT_EQ(metrics.value("qo-ssh.results.metrics.command-execution.return-code.number", Json()),
              returnCode);
}

// A test refused at authentication; returns the libssh2 code of the details.
int ExpectAuthenticationFailed(const ProbeRun& run) {
    EXPECT_TRUE(run.exited && run.exitCode == 0) << Shortened(run.standardError);
    const Json document = Document(run);
    if (document.empty()) {
        return 0;
    }
    const Json& other = StepResult(document).at("OtherData");
    EXPECT_EQ(other.value(kErrorCodeKey, std::string()), kAuthenticationFailed) << other.dump();
    const std::string details = other.value(kErrorDetailsKey, std::string());
    const std::string prefix = "User authentication failed with status: -";
    if (details.compare(0, prefix.size(), prefix) != 0) {
        ADD_FAILURE() << details;
        return 0;
    }
    const Json& metrics = StepResult(document).at("Metrics").at(0).at("MetricData");
    EXPECT_TRUE(metrics.contains("qo-ssh.results.metrics.authentication.ms"));
    EXPECT_FALSE(metrics.contains("qo-ssh.results.metrics.command-execution.result"));
    return std::stoi(details.substr(prefix.size() - 1));
}

struct Keys {
    VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    std::string ed25519 = ReadFile(sshd.ed25519Key);
    std::string ecdsa = ReadFile(sshd.ecdsaKey);
    std::string rsa = ReadFile(sshd.rsaKey);
    std::string encrypted = ReadFile(sshd.encryptedKey);
    std::string pem = ReadFile(sshd.pemKey);
    std::string unauthorized = ReadFile(sshd.unauthorizedKey);
};

// Every run of `length` characters of `secret` (the whole text when shorter).
std::set<std::string> Runs(const std::string& secret, std::size_t length = 20) {
    std::set<std::string> runs;
    if (secret.empty()) {
        return runs;
    }
    if (secret.size() <= length) {
        runs.insert(secret);
        return runs;
    }
    for (std::size_t at = 0; at + length <= secret.size(); ++at) {
        const std::string run = secret.substr(at, length);
        // The armour lines are public and the same in every key.
        if (run.find("-----") == std::string::npos && run.find(" KEY") == std::string::npos) {
            runs.insert(run);
        }
    }
    return runs;
}

void ExpectNoRunOf(const std::string& haystack, const std::string& secret, const char* what) {
    for (const std::string& run : Runs(secret)) {
        if (haystack.find(run) != std::string::npos) {
            ADD_FAILURE() << what << " shows \"" << run << "\"";
            return;
        }
    }
}

// --- public keys ---------------------------------------------------------------

TEST(KeyAuthenticationTest, EachKeyTypeLogsInToTheKeyOnlyServerInBothInputModes) {
    const Keys keys;
    const std::string url = Local(keys.sshd.keyOnlyPort);
    struct Case {
        const char* name;
        std::string key;
        std::string passphrase;
    };
    // RSA must sign with rsa-sha2-256 or -512: this server refuses ssh-rsa.
    const std::vector<Case> cases = {
        {"Ed25519", keys.ed25519, ""},
        {"ECDSA P-256", keys.ecdsa, ""},
        {"RSA 3072", keys.rsa, ""},
        {"ECDSA P-256 in the PEM format", keys.pem, ""},
        {"encrypted Ed25519 with its passphrase", keys.encrypted, keys.sshd.keyPassphrase},
        // An unencrypted key ignores a passphrase.
        {"Ed25519 with a passphrase", keys.ed25519, "not-needed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectLoggedIn(RunVek(Cli(Arguments(url, keys.sshd.user, c.passphrase, c.key))), "hello\n",
                       3);
        ExpectLoggedIn(RunVek(Stdin(JsonInput(url, keys.sshd.user, c.passphrase, c.key))),
                       "hello\n", 3);
    }
}

TEST(KeyAuthenticationTest, RefusedKeysAndPasswordsAreAuthenticationFailures) {
    const Keys keys;
    const std::string keyOnly = Local(keys.sshd.keyOnlyPort);
    const std::string passwordOnly = Local(keys.sshd.port);
    struct Case {
        const char* name;
        std::string url;
        std::string password;
        std::string key;
        std::set<int> codes;  // empty: any
    };
    const std::vector<Case> cases = {
        {"encrypted key, wrong passphrase",
         keyOnly,
         keys.sshd.keyPassphrase + "x",
         keys.encrypted,
         {}},
        {"encrypted key, no passphrase", keyOnly, "", keys.encrypted, {}},
        {"key not authorized", keyOnly, "", keys.unauthorized, {-18, -19}},
        {"password against the key-only server", keyOnly, keys.sshd.password, "", {-18}},
        // With a key the password is only a passphrase: the right password against
        // the password-only server does not log in.
        {"key and right password against the password-only server",
         passwordOnly,
         keys.sshd.password,
         keys.ed25519,
         {-18, -19}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int cli = ExpectAuthenticationFailed(
            RunVek(Cli(Arguments(c.url, keys.sshd.user, c.password, c.key))));
        const int json = ExpectAuthenticationFailed(
            RunVek(Stdin(JsonInput(c.url, keys.sshd.user, c.password, c.key))));
        EXPECT_EQ(cli, json);
        if (!c.codes.empty()) {
            EXPECT_EQ(c.codes.count(cli), 1u) << cli;
        }
        std::cout << "[ case ] " << c.name << ": status " << cli << "\n";
    }
}

TEST(KeyAuthenticationTest, RefusedKeyValuesInBothInputModes) {
    const Keys keys;
    struct Case {
        const char* name;
        std::string value;
        std::string message;
    };
    const std::string notBase64 = "private key (-a) is not properly base64 encoded.";
    const std::string notKey = "The private key is not an OpenSSH or PEM private key.";
    const std::string encoded = Base64(keys.ed25519);
    const std::vector<Case> cases = {
        {"a character outside Base64", encoded.substr(0, 40) + "*" + encoded.substr(40), notBase64},
        {"padding in the middle", "LS0t=LS0t", notBase64},
        {"the public key", Base64(ReadFile(keys.sshd.ed25519Key + ".pub")), notKey},
        {"a key file without its first line",
         Base64(keys.ed25519.substr(keys.ed25519.find('\n') + 1)), notKey},
        {"plain text", Base64("hello"), notKey},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments = {"-u", "127.0.0.1:1", "-n", "someone", "-a", c.value};
        Json input = JsonInput("127.0.0.1:1", "someone", "", "");
        input["Capabilities"]["common.test.auth-private-key"] = c.value;
        for (const ProbeRequest& request : {Cli(arguments), Stdin(input)}) {
            const ProbeRun run = RunVek(request);
            EXPECT_TRUE(run.exited && run.exitCode == 1) << Shortened(run.standardError);
            EXPECT_EQ(run.standardOutput, "");
            EXPECT_NE(run.standardError.find("[ERR][ID=] Invalid test input: " + c.message + "\n"),
                      std::string::npos)
                << Shortened(run.standardError);
            ExpectNoRunOf(run.standardError, c.value, "standard error");
        }
    }
}

// --- keyboard-interactive --------------------------------------------------------

TEST(KeyAuthenticationTest, KeyboardInteractiveIsAnsweredWithThePassword) {
    const VekTest::AsyncsshEndpoint asyncssh = VekTest::ReadAsyncsshEndpoint();
    const std::string url = Local(asyncssh.kbdintPort);
    for (const char* user : {"kbdone", "kbdtwo"}) {
        SCOPED_TRACE(user);
        ExpectLoggedIn(RunVek(Cli(Arguments(url, user, asyncssh.password, "", "true"))), "ok\n", 0);
        ExpectLoggedIn(RunVek(Stdin(JsonInput(url, user, asyncssh.password, "", "true"))), "ok\n",
                       0);
    }
    const int wrong = ExpectAuthenticationFailed(
        RunVek(Cli(Arguments(url, "kbdone", asyncssh.password + "x", "", "true"))));
    EXPECT_EQ(wrong, -18);
}

TEST(KeyAuthenticationTest, AServerThatKeepsPromptingFailsWithinTheBudget) {
    const VekTest::AsyncsshEndpoint asyncssh = VekTest::ReadAsyncsshEndpoint();
    std::vector<std::string> arguments =
        Arguments(Local(asyncssh.kbdintPort), "kbdloop", asyncssh.password, "", "true");
    arguments.insert(arguments.end(), {"-t", "15"});
    const ProbeRun run = RunVek(Cli(arguments));
    // Ended by the prompt cap, not by the 15 s budget: four rounds take milliseconds.
    EXPECT_EQ(ExpectAuthenticationFailed(run), -18);
    EXPECT_LT(run.elapsed, milliseconds(15000));
}

// --- secrets ---------------------------------------------------------------------

TEST(KeyAuthenticationTest, TracedDebugRunsShowNoKeyNoBase64AndNoPassphrase) {
    const Keys keys;
    const VekTest::AsyncsshEndpoint asyncssh = VekTest::ReadAsyncsshEndpoint();
    struct Case {
        const char* name;
        std::string url;
        std::string user;
        std::string password;
        std::string key;
    };
    const std::vector<Case> cases = {
        {"Ed25519", Local(keys.sshd.keyOnlyPort), keys.sshd.user, "", keys.ed25519},
        {"ECDSA", Local(keys.sshd.keyOnlyPort), keys.sshd.user, "", keys.ecdsa},
        {"RSA", Local(keys.sshd.keyOnlyPort), keys.sshd.user, "", keys.rsa},
        {"PEM", Local(keys.sshd.keyOnlyPort), keys.sshd.user, "", keys.pem},
        {"encrypted", Local(keys.sshd.keyOnlyPort), keys.sshd.user, keys.sshd.keyPassphrase,
         keys.encrypted},
        {"wrong passphrase", Local(keys.sshd.keyOnlyPort), keys.sshd.user, "Wrong-Passphrase-12345",
         keys.encrypted},
        {"unauthorized", Local(keys.sshd.keyOnlyPort), keys.sshd.user, "", keys.unauthorized},
        {"key to the password server", Local(keys.sshd.port), keys.sshd.user,
         keys.sshd.keyPassphrase, keys.ed25519},
        {"keyboard-interactive", Local(asyncssh.kbdintPort), "kbdtwo", asyncssh.password, ""},
        {"endless prompts", Local(asyncssh.kbdintPort), "kbdloop", asyncssh.password, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments = Arguments(c.url, c.user, c.password, c.key, "true");
        arguments.push_back("-d");
        Json input = JsonInput(c.url, c.user, c.password, c.key, "true");
        input["Settings"]["DebugModeOn"] = true;
        for (const ProbeRequest& request : {Cli(arguments), Stdin(input)}) {
            const ProbeRun run = RunVek(request);
            EXPECT_TRUE(run.exited && run.exitCode == 0) << Shortened(run.standardError);
            const std::string everything = run.standardOutput + run.standardError;
            // The library's trace lines are there.
            EXPECT_NE(everything.find("Trace data: "), std::string::npos)
                << Shortened(run.standardError);
            ExpectNoRunOf(everything, c.key, "the key text");
            ExpectNoRunOf(everything, Base64(c.key), "the key's Base64");
            ExpectNoRunOf(everything, c.password, "the password");
        }
    }
}

TEST(KeyAuthenticationTest, TheKeyIsGoneFromTheProcessListMidTest) {
    const Keys keys;
    const std::string encoded = Base64(keys.ed25519);
    // Every spelling of the option; the last one is the one used.
    std::vector<std::string> arguments = {"-u",           Local(keys.sshd.keyOnlyPort),
                                          "-n",           keys.sshd.user,
                                          "-a",           encoded,
                                          "-a" + encoded, "--privateKey=" + encoded,
                                          "--privateKey", encoded,
                                          "-c",           Base64("sleep 2; echo done")};
    ProbeRequest request = Cli(arguments);
    std::string cmdline;
    request.inspectAfter = milliseconds(1000);
    request.inspect = [&cmdline](pid_t pid) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
        cmdline.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const ProbeRun run = RunVek(request);
    ExpectLoggedIn(run, "done\n", 0);
    ASSERT_NE(cmdline.find(keys.sshd.user), std::string::npos) << "cmdline not read: " << cmdline;
    ExpectNoRunOf(cmdline, encoded, "the process's command line");
    EXPECT_NE(cmdline.find("--privateKey=" + std::string(encoded.size(), 'x')), std::string::npos);
}

}  // namespace
