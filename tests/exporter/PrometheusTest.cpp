// A real Prometheus server scrapes the exporter in the blackbox style, and its
// HTTP API shows what the exporter measured on the fixture sshd.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "exporter/ExporterTestSupport.h"
#include "fixtures/AsyncsshFixture.h"
#include "fixtures/HostilePorts.h"
#include "fixtures/OpenSshFingerprint.h"
#include "fixtures/SshdFixture.h"

namespace {

using Json = nlohmann::json;
using std::chrono::seconds;

int FreeLoopbackPort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(probe);
    return port;
}

// One scrape job per module, relabelled as the blackbox exporter's users do.
std::string ScrapeJob(const std::string& job, const std::string& module, const std::string& target,
                      int exporterPort) {
    return "  - job_name: " + job +
           "\n"
           "    metrics_path: /probe\n"
           "    params:\n      module: [" +
           module +
           "]\n"
           "    static_configs:\n      - targets: ['" +
           target +
           "']\n"
           "    relabel_configs:\n"
           "      - source_labels: [__address__]\n        target_label: __param_target\n"
           "      - source_labels: [__param_target]\n        target_label: instance\n"
           "      - target_label: __address__\n        replacement: 127.0.0.1:" +
           std::to_string(exporterPort) + "\n";
}

// The instant vector of `query`, keyed by the job label (and `by` when given).
std::map<std::string, std::string> Query(int port, const std::string& query,
                                         const std::string& by = "") {
    std::map<std::string, std::string> values;
    std::string encoded;
    for (const unsigned char c : query) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", c);
        encoded += std::isalnum(c) ? std::string(1, static_cast<char>(c)) : std::string(hex);
    }
    const VekTest::HttpReply reply = VekTest::HttpGet(port, "/api/v1/query?query=" + encoded);
    const Json answer = Json::parse(reply.body, nullptr, false);
    if (answer.is_discarded() || answer.value("status", "") != "success") {
        return values;
    }
    for (const Json& series : answer["data"]["result"]) {
        const Json& labels = series["metric"];
        std::string key = labels.value("job", "");
        if (!by.empty()) {
            key += "/" + labels.value(by, "");
        }
        values[key] = series["value"][1].get<std::string>();
    }
    return values;
}

// A module without a user: the handshake only.
const char kBannerModule[] = "  ssh_banner:\n    timeout: 3s\n";

// The alert rules and the fleet-audit queries (its only promql blocks) of
// docs/exporter.md as printed, the queries as recording rules beside the alerts.
std::string DocumentedAuditRules() {
    std::ifstream file(std::string(VEK_TEST_SOURCE_DIR) + "/docs/exporter.md");
    const std::string doc((std::istreambuf_iterator<char>(file)), {});
    const auto block = [&doc](const std::string& fence, std::size_t from) {
        const std::size_t begin = doc.find(fence, from) + fence.size();
        return doc.substr(begin, doc.find("\n```\n", begin) - begin + 1);
    };
    std::string rules = block("```yaml\n", doc.find("### Alert rules")) +
                        "  - name: documented-queries\n    rules:\n";
    for (std::size_t at = doc.find("```promql\n"); at != std::string::npos;
         at = doc.find("```promql\n", at + 1)) {
        rules += "      - record: documented:query" + std::to_string(at) +
                 "\n        expr: " + Json(block("```promql\n", at)).dump() + "\n";
    }
    return rules;
}

TEST(ExporterPrometheus, ScrapesTheExporterAndStoresWhatItMeasured) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    const VekTest::TempDir dir;
    const VekTest::RefusedPort refused;
    VekTest::WriteFile(dir.File("password"), sshd.password + "\n");
    VekTest::WriteFile(dir.File("passphrase"), sshd.keyPassphrase + "\n");
    const std::string trust =
        std::string("    known_hosts_file: ") + VekTest::kSshdKnownHosts + "\n";
    VekTest::WriteFile(
        dir.File("exporter.yml"),
        "modules:\n"
        "  ssh_password:\n    username: " +
            VekTest::YamlQuoted(sshd.user) + "\n    password_file: " + dir.File("password") +
            "\n    command: \"uname -s\\n\"\n" + trust + "  ssh_wrong_password:\n    username: " +
            VekTest::YamlQuoted(sshd.user) + "\n    password: not-the-password\n" + trust +
            "  ssh_key:\n    username: " + VekTest::YamlQuoted(sshd.user) +
            "\n    private_key_file: " + sshd.encryptedKey +
            "\n    passphrase_file: " + dir.File("passphrase") + "\n" + trust);
    std::ofstream(dir.File("exporter.yml"), std::ios::app) << kBannerModule;
    VekTest::WriteFile(dir.File("rules.yml"), DocumentedAuditRules(), 0644);
    ASSERT_EQ(std::system(("promtool check rules " + dir.File("rules.yml")).c_str()), 0);
    VekTest::ExporterProcess exporter(dir.File("exporter.log"),
                                      {"--config.file=" + dir.File("exporter.yml")});
    ASSERT_TRUE(exporter.Started()) << exporter.Process().Log();

    const std::string sshdTarget = "127.0.0.1:" + std::to_string(sshd.port);
    const auto terrapin =
        "127.0.0.1:" + std::to_string(VekTest::ReadAsyncsshEndpoint().terrapinPort);
    VekTest::WriteFile(
        dir.File("prometheus.yml"),
        "global:\n  scrape_interval: 4s\n  scrape_timeout: 4s\n"
        "scrape_configs:\n" +
            ScrapeJob("ssh_banner", "ssh_banner", terrapin, exporter.Port()) +
            ScrapeJob("ssh_password", "ssh_password", sshdTarget, exporter.Port()) +
            ScrapeJob("ssh_wrong_password", "ssh_wrong_password", sshdTarget, exporter.Port()) +
            ScrapeJob("ssh_key", "ssh_key", "127.0.0.1:" + std::to_string(sshd.keyOnlyPort),
                      exporter.Port()) +
            ScrapeJob("ssh_refused", "ssh_password", "127.0.0.1:" + std::to_string(refused.Port()),
                      exporter.Port()) +
            "rule_files: ['" + dir.File("rules.yml") + "']\n",
        0644);
    const int port = FreeLoopbackPort();
    // Loopback only, its own data folder, nothing kept beyond the test.
    VekTest::BackgroundProcess prometheus(
        "/usr/bin/prometheus",
        {"--config.file=" + dir.File("prometheus.yml"), "--storage.tsdb.path=" + dir.File("data"),
         "--web.listen-address=127.0.0.1:" + std::to_string(port),
         "--storage.tsdb.retention.time=1h", "--query.lookback-delta=1m", "--log.level=warn"},
        dir.File("prometheus.log"));

    // Every job scraped at least once, and the password module's test done: the
    // first scrape comes within one interval, the test within 3.5 s of it.
    std::map<std::string, std::string> success;
    std::map<std::string, std::string> stages;
    const auto deadline = std::chrono::steady_clock::now() + seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        success = Query(port, "probe_success");
        stages = Query(port, "probe_ssh_stage_duration_seconds{job=\"ssh_password\"}", "stage");
        if (success.size() == 5 && success["ssh_password"] == "1" && success["ssh_key"] == "1" &&
            stages.size() == 7) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    ASSERT_EQ(success.size(), 5u) << prometheus.Log() << exporter.Process().Log();
    // A module without a user: the handshake only, and the offer: Terrapin, no strict kex.
    EXPECT_EQ(success["ssh_banner"], "1");
    EXPECT_EQ(Query(port, "probe_ssh_terrapin_vulnerable - probe_ssh_strict_kex")["ssh_banner"],
              "1");
    EXPECT_EQ(Query(port, "probe_ssh_weak_algorithm_info", "algorithm")["ssh_banner/arcfour"], "1");
    // Each cipher once, though offered in both directions.
    EXPECT_EQ(
        Query(port,
              "count by (job) (probe_ssh_server_algorithm_info{kind=\"cipher\"})")["ssh_banner"],
        "2");
    // The first scrapes may come while the machine is busy; a timed-out password
    // test is retried by the next scrape, so success must show up in time.
    EXPECT_EQ(success["ssh_password"], "1") << exporter.Process().Log();
    EXPECT_EQ(success["ssh_key"], "1") << exporter.Process().Log();
    EXPECT_EQ(success["ssh_wrong_password"], "0");
    EXPECT_EQ(success["ssh_refused"], "0");
    for (const char* stage :
         {"dns", "connect", "banner", "kex", "service_request", "auth", "exec"}) {
        ASSERT_EQ(stages.count(std::string("ssh_password/") + stage), 1u) << stage;
        EXPECT_GE(std::stod(stages[std::string("ssh_password/") + stage]), 0.0) << stage;
    }
    const auto errors = Query(port, "probe_ssh_error_info", "code");
    EXPECT_EQ(errors.count("ssh_wrong_password/qo-ssh.results.error.authentication-failed"), 1u)
        << testing::PrintToString(errors);
    EXPECT_EQ(errors.count("ssh_refused/common.results.error.unknown-connect-failure"), 1u)
        << testing::PrintToString(errors);
    EXPECT_EQ(errors.count("ssh_password/"), 0u);
    const auto up = Query(port, "up");
    for (const char* job : {"ssh_password", "ssh_key", "ssh_wrong_password", "ssh_refused"}) {
        EXPECT_EQ(up.at(job), "1") << job;
    }

    prometheus.Signal(SIGTERM);
    if (!prometheus.WaitForExit(seconds(15))) {
        prometheus.Signal(SIGKILL);
        prometheus.WaitForExit(seconds(5));
    }
}

}  // namespace
