#include "probeclient/ProbeDocument.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

#include "domain/CommonTestResults.h"
#include "result/SshTestResultKeys.h"

namespace VekProbeClient {

namespace {

using Json = nlohmann::json;
namespace CommonTestResults = VekLibrary::VekDomain::DataKeys::CommonTestResults;
namespace SshTestResultKeys = Ssh::SshTestResultKeys;

// The levels of the document: root -> MonitorResults[0] -> StepResults[0] ->
// Metrics[0] -> MetricData, and the step's OtherData with the error.
constexpr char kMonitorResults[] = "MonitorResults";
constexpr char kStepResults[] = "StepResults";
constexpr char kMetrics[] = "Metrics";
constexpr char kMetricData[] = "MetricData";
constexpr char kOtherData[] = "OtherData";

const Json& Member(const Json& object, const char* name) {
    if (!object.is_object() || !object.contains(name)) {
        throw std::runtime_error(std::string("no member ") + name);
    }
    return object.at(name);
}

const Json& First(const Json& array, const char* name) {
    if (!array.is_array() || array.empty()) {
        throw std::runtime_error(std::string(name) + " is not a non-empty array");
    }
    return array.at(0);
}

std::optional<std::string> Text(const Json& object, const std::string& key) {
    const auto found = object.find(key);
    if (found == object.end()) {
        return std::nullopt;
    }
    if (!found->is_string()) {
        throw std::runtime_error(key + " is not a string");
    }
    return found->get<std::string>();
}

std::optional<long long> Number(const Json& object, const std::string& key) {
    const auto found = object.find(key);
    if (found == object.end()) {
        return std::nullopt;
    }
    if (!found->is_number_integer()) {
        throw std::runtime_error(key + " is not an integer");
    }
    return found->get<long long>();
}

std::optional<bool> Flag(const Json& object, const std::string& key) {
    const auto found = object.find(key);
    if (found == object.end()) {
        return std::nullopt;
    }
    if (!found->is_boolean()) {
        throw std::runtime_error(key + " is not a boolean");
    }
    return found->get<bool>();
}

}  // namespace

const std::array<ProbeField, kAlgorithmCount>& ProbeAlgorithms() {
    static const std::array<ProbeField, kAlgorithmCount> algorithms = {{
        {"kex", &SshTestResultKeys::AlgorithmKex},
        {"host_key", &SshTestResultKeys::AlgorithmHostKey},
        {"cipher_cs", &SshTestResultKeys::AlgorithmCipherClientToServer},
        {"cipher_sc", &SshTestResultKeys::AlgorithmCipherServerToClient},
        {"mac_cs", &SshTestResultKeys::AlgorithmMacClientToServer},
        {"mac_sc", &SshTestResultKeys::AlgorithmMacServerToClient},
    }};
    return algorithms;
}

long long ProbeDocument::TotalMilliseconds() const {
    long long total = 0;
    for (const std::optional<long long>& stage : stageMilliseconds) {
        total += stage.value_or(0);
    }
    return total;
}

ProbeDocument ParseProbeDocument(const std::string& standardOutput) {
    const Json parsed = Json::parse(standardOutput, nullptr, false);
    if (parsed.is_discarded()) {
        throw std::runtime_error("not JSON");
    }
    const Json& step =
        First(Member(First(Member(parsed, kMonitorResults), kMonitorResults), kStepResults),
              kStepResults);
    const Json& metrics = Member(First(Member(step, kMetrics), kMetrics), kMetricData);
    const Json& otherData = Member(step, kOtherData);
    if (!metrics.is_object() || !otherData.is_object()) {
        throw std::runtime_error(std::string(kMetricData) + " or " + kOtherData +
                                 " is not an object");
    }

    ProbeDocument document;
    document.hostName = Text(metrics, CommonTestResults::HostName).value_or("");
    document.port = Number(metrics, CommonTestResults::HostAddressPort);
    for (std::size_t index = 0; index < kStageCount; ++index) {
        document.stageMilliseconds[index] = Number(metrics, *ProbeStages()[index].key);
    }
    document.errorCode = Text(otherData, CommonTestResults::ErrorCode);
    document.errorDetails = Text(otherData, CommonTestResults::ErrorDetails);
    document.returnCode = Number(metrics, SshTestResultKeys::CommandExecutionReturnCodeNumber);
    document.outputBytes = Number(metrics, SshTestResultKeys::CommandResultSizeNumber);
    if (!document.outputBytes && document.returnCode) {
        document.outputBytes = 0;
    }
    document.output = Text(metrics, SshTestResultKeys::CommandExecutionResult);
    document.hostFingerprintHex = Text(metrics, SshTestResultKeys::HostFingerprintHexEncoded);
    document.serverIdentification = Text(metrics, SshTestResultKeys::ServerIdentification);
    for (std::size_t index = 0; index < kAlgorithmCount; ++index) {
        document.algorithms[index] = Text(metrics, *ProbeAlgorithms()[index].key);
    }
    for (std::size_t index = 0; index < Ssh::kServerOfferListCount; ++index) {
        document.serverAlgorithms[index] = Text(metrics, *Ssh::ServerOfferLists()[index].key);
    }
    document.weakAlgorithms = Text(metrics, SshTestResultKeys::WeakAlgorithms);
    document.strictKex = Flag(metrics, SshTestResultKeys::StrictKex);
    document.terrapinVulnerable = Flag(metrics, SshTestResultKeys::TerrapinVulnerable);
    return document;
}

}  // namespace VekProbeClient
