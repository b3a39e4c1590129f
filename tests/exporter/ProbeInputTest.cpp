// The masking of the probe's log lines, and the test's time limit.

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "exporter/MaskSecrets.h"
#include "exporter/ProbeBudget.h"
#include "exporter/ProbeInput.h"

namespace {

using VekExporter::ModuleConfig;

ModuleConfig PasswordModule() {
    ModuleConfig module;
    module.name = "ssh_password";
    module.credentials.username = "monitor";
    module.credentials.password = std::string("pa\"ss\\word");
    return module;
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
