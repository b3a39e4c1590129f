// The probe's JSON input line, built from typed fields.

#include <stdexcept>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "crypto/Base64Codec.h"
#include "probeclient/ProbeInput.h"

namespace {

using Json = nlohmann::json;
using VekProbeClient::BuildProbeInputLine;
using VekProbeClient::ProbeInput;

std::string Decoded(const Json& value) {
    std::string decoded;
    VekLibrary::Crypto::Base64Codec::Decode(value.get<std::string>(), decoded);
    return decoded;
}

Json Line(const ProbeInput& input) {
    const std::string line = BuildProbeInputLine(input).GetText();
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line, ended by a line feed";
    return Json::parse(line);
}

ProbeInput Minimal() {
    ProbeInput input;
    input.url = "qo-ssh://[::1]:2222";
    input.username = "monitor";
    input.password = std::string("pa\"ss\\word\x01\n\xc3\xa9");
    return input;
}

TEST(ProbeInputTest, EveryFieldAndTheProbesDefaultsForTheRest) {
    ProbeInput input = Minimal();
    EXPECT_EQ(Line(input), Json::parse(R"({"Capabilities":{"test.common.url":"qo-ssh://[::1]:2222",
                  "test.common.use-ipv6":false,"common.test.max-step-time":1,
                  "common.test.auth-username":"monitor",
                  "common.test.auth-password":"pa\"ss\\word\u0001\né"},
                  "Settings":{"DataDirectory":"/tmp/"}})"));

    // check_vek's tests show the fields it sets; these are the others.
    input.testId = "ssh_login";
    input.hostKeys = {{}, {}};
    input.hostKeys[1].fill(0xff);
    input.command = std::string(5000, 'x');
    input.maxOutputBytes = 4096;
    const Json full = Line(input);
    const Json& capabilities = full.at("Capabilities");
    EXPECT_EQ(capabilities.at("common.test.test-id"), "ssh_login");
    EXPECT_EQ(capabilities.at("qo-ssh.test.host-key-fingerprints"),
              std::string(64, '0') + "," + std::string(64, 'f'));
    EXPECT_EQ(capabilities.at("common.test.max-downloads-bytes"), 4096);
    // The shell runs the text as a script: its last line gets its line feed, and a
    // long command raises the probe's length limit.
    EXPECT_EQ(Decoded(capabilities.at("common.test.send-data-bytes")),
              std::string(5000, 'x') + "\n");
    EXPECT_EQ(full.at("Settings").at("MaxCommandLength"), 5001);
}

std::string Refusal(const ProbeInput& input) {
    try {
        BuildProbeInputLine(input);
    } catch (const std::invalid_argument& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(ProbeInputTest, InvalidUtf8IsRefusedNamingTheField) {
    const std::string bad = "ok\xff";
    ProbeInput input = Minimal();
    input.password = bad;
    EXPECT_EQ(Refusal(input), "the password is not valid UTF-8");
    input.privateKey = std::string("key");
    EXPECT_EQ(Refusal(input), "the passphrase is not valid UTF-8");
    input.password.reset();
    input.privateKey = bad;
    EXPECT_EQ(Refusal(input), "the private key is not valid UTF-8");
    for (const auto& [field, name] : {std::pair{&ProbeInput::url, "the target"},
                                      {&ProbeInput::username, "the user name"},
                                      {&ProbeInput::command, "the command"}}) {
        ProbeInput spoilt = Minimal();
        spoilt.*field = bad;
        EXPECT_EQ(Refusal(spoilt), std::string(name) + " is not valid UTF-8");
    }
}

}  // namespace
