#include "exporter/ProbeDocument.h"

#include <nlohmann/json.hpp>
#include <utility>

namespace VekExporter {

namespace {

using Json = nlohmann::json;

const std::pair<const char*, const char*> kStages[] = {
    {"dns", "common.results.metrics.dns.ms"},
    {"connect", "common.results.metrics.connect.ms"},
    {"banner_exchange", "qo-ssh.results.metrics.banner-exchange.ms"},
    {"key_exchange", "qo-ssh.results.metrics.key-exchange.ms"},
    {"service_request", "qo-ssh.results.metrics.service-request-exchange.ms"},
    {"authentication", "qo-ssh.results.metrics.authentication.ms"},
    {"command_execution", "qo-ssh.results.metrics.command-execution.ms"},
};

const std::pair<const char*, const char*> kAlgorithms[] = {
    {"kex", "qo-ssh.results.metrics.algorithm.kex"},
    {"host_key", "qo-ssh.results.metrics.algorithm.host-key"},
    {"cipher_cs", "qo-ssh.results.metrics.algorithm.cipher-client-to-server"},
    {"cipher_sc", "qo-ssh.results.metrics.algorithm.cipher-server-to-client"},
    {"mac_cs", "qo-ssh.results.metrics.algorithm.mac-client-to-server"},
    {"mac_sc", "qo-ssh.results.metrics.algorithm.mac-server-to-client"},
};

std::optional<double> Number(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number()) {
        return std::nullopt;
    }
    return found->get<double>();
}

std::optional<std::string> Text(const Json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) {
        return std::nullopt;
    }
    return found->get<std::string>();
}

}  // namespace

std::optional<ProbeDocument> ParseProbeDocument(const std::string& standardOutput) {
    const Json document = Json::parse(standardOutput, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        return std::nullopt;
    }
    const Json* step = nullptr;
    const Json* data = nullptr;
    try {
        step = &document.at("MonitorResults").at(0).at("StepResults").at(0);
        data = &step->at("Metrics").at(0).at("MetricData");
    } catch (const Json::exception&) {
        return std::nullopt;
    }
    if (!data->is_object()) {
        return std::nullopt;
    }
    ProbeDocument parsed;
    const auto other = step->find("OtherData");
    if (other != step->end() && other->is_object()) {
        parsed.errorCode = Text(*other, "common.results.error-code");
    }
    for (const auto& [stage, key] : kStages) {
        if (const auto milliseconds = Number(*data, key)) {
            parsed.stageMilliseconds[stage] = *milliseconds;
        }
    }
    parsed.exitCode = Number(*data, "qo-ssh.results.metrics.command-execution.return-code.number");
    parsed.outputBytes =
        Number(*data, "qo-ssh.results.metrics.command-execution.result-size.number");
    // The probe leaves out the size when it read the output to its end and there was
    // none; the return code tells that reading ended.
    if (!parsed.outputBytes && parsed.exitCode) {
        parsed.outputBytes = 0;
    }
    parsed.output = Text(*data, "qo-ssh.results.metrics.command-execution.result");
    parsed.hostKeyFingerprint = Text(*data, "qo-ssh.results.metrics.host-fingerprint.hex-encoded");
    parsed.serverIdentification = Text(*data, "qo-ssh.results.metrics.server-identification");
    for (const auto& [label, key] : kAlgorithms) {
        if (auto algorithm = Text(*data, key)) {
            parsed.algorithms[label] = std::move(*algorithm);
        }
    }
    return parsed;
}

}  // namespace VekExporter
