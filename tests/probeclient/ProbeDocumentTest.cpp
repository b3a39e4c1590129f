// Reading the probe's result document: every key, and what is no result document.

#include <stdexcept>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "fixtures/ResultDocument.h"
#include "probeclient/ProbeDocument.h"

namespace {

using Json = nlohmann::json;
using VekProbeClient::ParseProbeDocument;

std::string Document(const Json& metricData, const Json& otherData = Json::object()) {
    return VekTest::ResultDocument(metricData, otherData).dump();
}

TEST(ProbeDocumentTest, ReadsEveryKey) {
    Json metrics = VekTest::CompleteMetricData();
    metrics["qo-ssh.results.metrics.server-identification"] = "SSH-2.0-OpenSSH_9.2p1";
    metrics["qo-ssh.results.metrics.algorithm.kex"] = "curve25519-sha256";
    metrics["qo-ssh.results.metrics.algorithm.mac-server-to-client"] = "hmac-sha2-512";
    const auto document = ParseProbeDocument(Document(
        metrics, {{"common.results.error-code", "code"}, {"common.results.error-details", "x"}}));
    EXPECT_EQ(document.hostName, "127.0.0.1");
    EXPECT_EQ(document.port, 2222);
    const std::array<std::optional<long long>, VekProbeClient::kStageCount> stages = {1, 2,  3, 40,
                                                                                      1, 30, 15};
    EXPECT_EQ(document.stageMilliseconds, stages);
    EXPECT_EQ(document.TotalMilliseconds(), 92);
    EXPECT_EQ(document.errorCode, "code");
    EXPECT_EQ(document.errorDetails, "x");
    EXPECT_EQ(document.returnCode, 0);
    EXPECT_EQ(document.outputBytes, 6);
    EXPECT_EQ(document.output, "hello\n");
    EXPECT_EQ(document.hostFingerprintHex,
              "caa3e6e5ae952de1d273a7e937af3dc12dadcf6c068bc42924c8d7d236d9d659");
    EXPECT_EQ(document.serverIdentification, "SSH-2.0-OpenSSH_9.2p1");
    const std::array<std::optional<std::string>, VekProbeClient::kAlgorithmCount> algorithms = {
        "curve25519-sha256", std::nullopt, std::nullopt,
        std::nullopt,        std::nullopt, "hmac-sha2-512"};
    EXPECT_EQ(document.algorithms, algorithms);

    // Output read to its end and empty: the probe leaves out its size.
    const auto empty = ParseProbeDocument(
        Document({{"qo-ssh.results.metrics.command-execution.return-code.number", 0}}));
    EXPECT_EQ(empty.outputBytes, 0);
    EXPECT_FALSE(ParseProbeDocument(Document(Json::object())).outputBytes);
}

TEST(ProbeDocumentTest, RefusesWhatIsNoResultDocument) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "not JSON"},
        {"not json", "not JSON"},
        {Document(Json::object()).substr(0, 30), "not JSON"},
        {"[]", "no member MonitorResults"},
        {R"({"MonitorResults":[]})", "MonitorResults is not a non-empty array"},
        {R"({"MonitorResults":[{"StepResults":[{"Metrics":[{}],"OtherData":{}}]}]})",
         "no member MetricData"},
        {R"({"MonitorResults":[{"StepResults":[{"Metrics":[{"MetricData":{}}]}]}]})",
         "no member OtherData"},
        {Document({{"common.results.metrics.dns.ms", "1"}}),
         "common.results.metrics.dns.ms is not an integer"},
        {Document(Json::object(), {{"common.results.error-code", 1}}),
         "common.results.error-code is not a string"},
    };
    for (const auto& [document, reason] : cases) {
        try {
            ParseProbeDocument(document);
            ADD_FAILURE() << "accepted " << document;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), reason) << document;
        }
    }
}

}  // namespace
