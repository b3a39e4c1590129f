// From the probe's result document to the exposition text, checked by promtool.

#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "exporter/ExporterTestSupport.h"
#include "exporter/ProbeMetrics.h"
#include "fixtures/ResultDocument.h"
#include "probeclient/ProbeDocument.h"

namespace {

using Json = nlohmann::json;
using testing::HasSubstr;
using testing::Not;
using VekExporter::ModuleConfig;
using VekExporter::RenderProbeMetrics;
using VekProbeClient::OutputPattern;
using VekProbeClient::ParseProbeDocument;

std::string Document(const Json& metricData, const Json& otherData = Json::object()) {
    return VekTest::ResultDocument(metricData, otherData).dump();
}

std::string Render(const std::optional<std::string>& standardOutput,
                   const ModuleConfig& module = {}) {
    const std::string text = RenderProbeMetrics(
        standardOutput ? std::optional(ParseProbeDocument(*standardOutput)) : std::nullopt, 0.25,
        module);
    EXPECT_EQ(VekTest::PromtoolProblems(text), std::nullopt) << text;
    return text;
}

const Json kSuccess = {
    {"common.results.host.name", "127.0.0.1"},
    {"common.results.metrics.dns.ms", 0},
    {"common.results.metrics.connect.ms", 1},
    {"qo-ssh.results.metrics.banner-exchange.ms", 6},
    {"qo-ssh.results.metrics.key-exchange.ms", 5},
    {"qo-ssh.results.metrics.service-request-exchange.ms", 0},
    {"qo-ssh.results.metrics.authentication.ms", 41},
    {"qo-ssh.results.metrics.command-execution.ms", 1048},
    {"qo-ssh.results.metrics.command-execution.result", "load: 0.75\n\"quoted\" \\ {x=\"1\"}\n"},
    {"qo-ssh.results.metrics.command-execution.result-size.number", 30},
    {"qo-ssh.results.metrics.command-execution.return-code.number", 3},
    {"qo-ssh.results.metrics.host-fingerprint.hex-encoded", std::string(64, 'f')},
    {"qo-ssh.results.metrics.server-identification", "SSH-2.0-Odd \"server\" \\ v1\nx"},
    {"qo-ssh.results.metrics.algorithm.kex", "curve25519-sha256"},
    {"qo-ssh.results.metrics.algorithm.host-key", "ssh-ed25519"},
    {"qo-ssh.results.metrics.algorithm.cipher-client-to-server", "aes256-gcm@openssh.com"},
    {"qo-ssh.results.metrics.algorithm.cipher-server-to-client", "chacha20-poly1305@openssh.com"},
    {"qo-ssh.results.metrics.algorithm.mac-client-to-server", "hmac-sha2-256"},
    {"qo-ssh.results.metrics.algorithm.mac-server-to-client", "hmac-sha2-512"},
};

TEST(ExporterProbeMetrics, EveryMetricOfASuccessfulTest) {
    ModuleConfig module;
    module.outputMetricRegex =
        std::make_shared<OutputPattern>("load: ([0-9.]+)", OutputPattern::SyntaxEnum::Re2);
    const std::string text = Render(Document(kSuccess), module);
    for (const char* line : {
             "probe_success 1\n",
             "probe_duration_seconds 0.25\n",
             "probe_ssh_stage_duration_seconds{stage=\"dns\"} 0\n",
             "probe_ssh_stage_duration_seconds{stage=\"connect\"} 0.001\n",
             "probe_ssh_stage_duration_seconds{stage=\"banner\"} 0.006\n",
             "probe_ssh_stage_duration_seconds{stage=\"kex\"} 0.005\n",
             "probe_ssh_stage_duration_seconds{stage=\"service_request\"} 0\n",
             "probe_ssh_stage_duration_seconds{stage=\"auth\"} 0.041\n",
             "probe_ssh_stage_duration_seconds{stage=\"exec\"} 1.048\n",
             "probe_ssh_command_exit_code 3\n",
             "probe_ssh_command_output_bytes 30\n",
             "probe_ssh_command_output_value 0.75\n",
             "probe_ssh_host_key_info{fingerprint_sha256=\"ffffffffffffffffffffffffffffffffffffffff"
             "ffffffffffffffffffffffff\"} 1\n",
             "probe_ssh_server_info{identification=\"SSH-2.0-Odd \\\"server\\\" \\\\ v1\\nx\"} 1\n",
             "probe_ssh_algorithm_info{kex=\"curve25519-sha256\",host_key=\"ssh-ed25519\","
             "cipher_cs=\"aes256-gcm@openssh.com\",cipher_sc=\"chacha20-poly1305@openssh.com\","
             "mac_cs=\"hmac-sha2-256\",mac_sc=\"hmac-sha2-512\"} 1\n",
             "# TYPE probe_ssh_stage_duration_seconds gauge\n",
         }) {
        EXPECT_THAT(text, HasSubstr(line));
    }
    EXPECT_THAT(text, Not(HasSubstr("probe_ssh_error_info")));
    EXPECT_THAT(text, Not(HasSubstr("quoted"))) << "the output is never a label";
}

TEST(ExporterProbeMetrics, AFailedTestHasItsErrorCodeAndOnlyTheStagesThatRan) {
    const Json data = {{"common.results.metrics.dns.ms", 0},
                       {"common.results.metrics.connect.ms", 2001}};
    const std::string text = Render(
        Document(data, {{"common.results.error-code", "common.results.error.other.too-much-time"},
                        {"common.results.error-details", "A timeout occurred."}}));
    EXPECT_THAT(text, HasSubstr("probe_success 0\n"));
    EXPECT_THAT(
        text,
        HasSubstr("probe_ssh_error_info{code=\"common.results.error.other.too-much-time\"} 1\n"));
    EXPECT_THAT(text, HasSubstr("probe_ssh_stage_duration_seconds{stage=\"connect\"} 2.001\n"));
    for (const char* absent : {"\"banner\"", "probe_ssh_command", "probe_ssh_host_key_info",
                               "probe_ssh_server_info", "probe_ssh_algorithm_info"}) {
        EXPECT_THAT(text, Not(HasSubstr(absent)));
    }
}

TEST(ExporterProbeMetrics, NoDocumentIsAFailedProbe) {
    const std::string text = Render(std::nullopt);
    EXPECT_THAT(text, HasSubstr("probe_success 0\n"));
    EXPECT_THAT(text, HasSubstr("probe_ssh_error_info{code=\"probe-failed\"} 1\n"));
    EXPECT_THAT(text, Not(HasSubstr("probe_ssh_stage_duration_seconds")));
}

TEST(ExporterProbeMetrics, OutputValueNeedsANumberInTheFirstMatch) {
    const OutputPattern pattern("value=([^ ]*)", OutputPattern::SyntaxEnum::Re2);
    EXPECT_EQ(VekExporter::OutputValue(pattern, "a value=12.5e3 b value=7"), 12500);
    EXPECT_EQ(VekExporter::OutputValue(pattern, "value=-3"), -3);
    EXPECT_FALSE(VekExporter::OutputValue(pattern, "value=abc value=7"));
    EXPECT_FALSE(VekExporter::OutputValue(pattern, "value="));
    EXPECT_FALSE(VekExporter::OutputValue(pattern, "nothing"));
}

}  // namespace
