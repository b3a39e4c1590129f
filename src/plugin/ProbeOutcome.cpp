#include "plugin/ProbeOutcome.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

namespace VekPlugin {

namespace {

using Json = nlohmann::json;

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

std::optional<std::string> Text(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end()) {
        return std::nullopt;
    }
    if (!found->is_string()) {
        throw std::runtime_error(std::string(key) + " is not a string");
    }
    return found->get<std::string>();
}

std::optional<long long> Number(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end()) {
        return std::nullopt;
    }
    if (!found->is_number_integer()) {
        throw std::runtime_error(std::string(key) + " is not an integer");
    }
    return found->get<long long>();
}

}  // namespace

long long ProbeOutcome::TotalMilliseconds() const {
    long long total = 0;
    for (const std::optional<long long>& stage : stageMilliseconds) {
        total += stage.value_or(0);
    }
    return total;
}

ProbeOutcome ParseProbeDocument(const std::string& document) {
    const Json parsed = Json::parse(document, nullptr, false);
    if (parsed.is_discarded()) {
        throw std::runtime_error("not JSON");
    }
    const Json& step =
        First(Member(First(Member(parsed, "MonitorResults"), "MonitorResults"), "StepResults"),
              "StepResults");
    const Json& metrics = Member(First(Member(step, "Metrics"), "Metrics"), "MetricData");
    const Json& otherData = Member(step, "OtherData");
    if (!metrics.is_object() || !otherData.is_object()) {
        throw std::runtime_error("MetricData or OtherData is not an object");
    }

    ProbeOutcome outcome;
    outcome.hostName = Text(metrics, "common.results.host.name").value_or("");
    outcome.port = Number(metrics, "common.results.host.address.port").value_or(0);
    for (std::size_t index = 0; index < kStageCount; ++index) {
        outcome.stageMilliseconds[index] = Number(metrics, kProbeStages[index].durationKey);
    }
    outcome.errorCode = Text(otherData, "common.results.error-code");
    outcome.errorDetails = Text(otherData, "common.results.error-details");
    outcome.serverIdentification = Text(metrics, "qo-ssh.results.metrics.server-identification");
    outcome.hostFingerprintHex =
        Text(metrics, "qo-ssh.results.metrics.host-fingerprint.hex-encoded");
    outcome.returnCode =
        Number(metrics, "qo-ssh.results.metrics.command-execution.return-code.number");
    outcome.outputBytes =
        Number(metrics, "qo-ssh.results.metrics.command-execution.result-size.number");
    outcome.output = Text(metrics, "qo-ssh.results.metrics.command-execution.result");
    return outcome;
}

}  // namespace VekPlugin
