// Reading the probe's result document; what the programs make of each key is tested
// with them.

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

TEST(ProbeDocumentTest, EmptyOutputReadToItsEndIsZeroBytes) {
    // The probe leaves out the size when it read the output to its end and there was none.
    Json metrics = {{"qo-ssh.results.metrics.command-execution.return-code.number", 0}};
    EXPECT_EQ(ParseProbeDocument(Document(metrics)).outputBytes, 0);
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
