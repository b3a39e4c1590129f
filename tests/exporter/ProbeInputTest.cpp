// The test the exporter hands the probe, the masking of its log lines, and the
// test's time limit.

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "exporter/MaskSecrets.h"
#include "exporter/ProbeBudget.h"
#include "exporter/ProbeInput.h"

namespace {

using VekExporter::ModuleConfig;
using VekExporter::ProbeInputOf;
using VekProbeClient::ProbeInput;

ModuleConfig PasswordModule() {
    ModuleConfig module;
    module.name = "ssh_password";
    module.credentials.username = "monitor";
    module.credentials.password = std::string("pa\"ss\\word");
    return module;
}

TEST(ExporterProbeInput, TheModuleBecomesTheProbesTest) {
    ModuleConfig module = PasswordModule();
    module.command = "uptime";
    module.maxOutputBytes = 4096;
    module.ipv6 = true;
    module.hostKeyFingerprints.resize(1);
    const ProbeInput input = ProbeInputOf(module, "qo-ssh://server.example:2222", 7);
    EXPECT_EQ(input.url, "qo-ssh://server.example:2222");
    EXPECT_TRUE(input.ipv6);
    EXPECT_EQ(input.testId, "ssh_password");
    EXPECT_EQ(input.timeoutSeconds, 7);
    EXPECT_EQ(input.username, "monitor");
    EXPECT_EQ(input.password->GetText(), "pa\"ss\\word");
    EXPECT_FALSE(input.privateKey);
    EXPECT_EQ(input.hostKeys, module.hostKeyFingerprints);
    EXPECT_EQ(input.command, "uptime");
    EXPECT_EQ(input.maxOutputBytes, 4096);

    // With a key, the password member carries the key's passphrase, if any.
    module.credentials.privateKey = std::string("-----BEGIN X-----\nAAAA\n-----END X-----");
    EXPECT_FALSE(ProbeInputOf(module, "h", 1).password);
    module.credentials.passphrase = std::string("pass phrase");
    EXPECT_EQ(ProbeInputOf(module, "h", 1).password->GetText(), "pass phrase");
    EXPECT_EQ(ProbeInputOf(module, "h", 1).privateKey->GetText(),
              module.credentials.privateKey->GetText());
}

TEST(ExporterProbeInput, SecretsAreMaskedInLogLines) {
    ModuleConfig module = PasswordModule();
    module.credentials.passphrase = std::string("PassPhrase");
    module.credentials.privateKey =
        std::string("-----BEGIN X-----\nAAAAkeymaterial\n-----END X-----\n");
    const auto secrets = VekExporter::SecretsOf(module.credentials);
    for (const char* line : {"user MONITOR refused", "got pa\"ss\\word", "passphrase: passphrase",
                             "AAAAKEYMATERIAL"}) {
        EXPECT_EQ(VekExporter::MaskSecrets(line, secrets), ">>MASKED<<") << line;
    }
    EXPECT_EQ(VekExporter::MaskSecrets("Connection refused", secrets), "Connection refused");
    EXPECT_EQ(VekExporter::MaskSecrets(std::string(600, 'z'), secrets),
              std::string(500, 'z') + "...");
}

TEST(ExporterProbeBudget, TestTimeoutFromScrapeAndModule) {
    using VekExporter::ProbeTimeoutSeconds;
    using VekExporter::TestTimeoutSeconds;
    const struct {
        std::optional<double> scrape;
        std::optional<double> module;
        double spent;
        double test;
        long probe;
    } cases[] = {
        {10.0, std::nullopt, 0, 9.5, 9},          // scrape minus 0.5 s, rounded down
        {std::nullopt, std::nullopt, 0, 9.5, 9},  // Prometheus' default scrape timeout
        {10.0, 3.0, 0, 3.0, 3},                   // capped by the module
        {10.0, 2.5, 0, 2.5, 2},
        {2.0, 30.0, 0, 1.5, 1},
        {1.0, std::nullopt, 0, 1.0, 1},  // at least 1 s
        {0.3, std::nullopt, 0, 1.0, 1},
        {10.0, 0.2, 0, 1.0, 1},
        {10.0, std::nullopt, 4.0, 5.5, 5},  // time spent waiting for a slot counts
        {10.0, std::nullopt, 20.0, 1.0, 1},
    };
    for (const auto& c : cases) {
        const double test = TestTimeoutSeconds(c.scrape, c.module, c.spent);
        EXPECT_DOUBLE_EQ(test, c.test) << c.scrape.value_or(-1) << " " << c.module.value_or(-1);
        EXPECT_EQ(ProbeTimeoutSeconds(test), c.probe);
    }
}

TEST(ExporterProbeBudget, ScrapeTimeoutHeader) {
    using VekExporter::ParseScrapeTimeout;
    EXPECT_EQ(ParseScrapeTimeout("10"), 10.0);
    EXPECT_EQ(ParseScrapeTimeout("2.5"), 2.5);
    for (const char* bad : {"", "abc", "-1", "0", "10s", "nan", "inf"}) {
        EXPECT_FALSE(ParseScrapeTimeout(bad)) << bad;
    }
}

}  // namespace
