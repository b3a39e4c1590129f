#include "exporter/ProbeMetrics.h"

#include <cstdlib>

#include "exporter/Exposition.h"

namespace VekExporter {

namespace {

void InfoMetric(Exposition& out, const std::string& name, const std::string& help,
                const Labels& labels) {
    out.Family(name, "gauge", help);
    out.Sample(name, labels, 1);
}

void GaugeIfPresent(Exposition& out, const std::string& name, const std::string& help,
                    const std::optional<double>& value) {
    if (value) {
        out.Family(name, "gauge", help);
        out.Sample(name, *value);
    }
}

void RenderDocument(Exposition& out, const ProbeDocument& document, const ModuleConfig& module) {
    if (!document.stageMilliseconds.empty()) {
        out.Family("probe_ssh_stage_duration_seconds", "gauge",
                   "Duration of each stage of the SSH test that ran, in seconds.");
        for (const char* stage : {"dns", "connect", "banner_exchange", "key_exchange",
                                  "service_request", "authentication", "command_execution"}) {
            const auto found = document.stageMilliseconds.find(stage);
            if (found != document.stageMilliseconds.end()) {
                out.Sample("probe_ssh_stage_duration_seconds", {{"stage", stage}},
                           found->second / 1000);
            }
        }
    }
    GaugeIfPresent(out, "probe_ssh_command_exit_code", "Exit status of the remote shell.",
                   document.exitCode);
    GaugeIfPresent(out, "probe_ssh_command_output_bytes",
                   "Bytes of standard output captured from the command.", document.outputBytes);
    if (module.outputMetricRegex && document.output) {
        GaugeIfPresent(out, "probe_ssh_command_output_value",
                       "The number that the module's output_metric_regex found in the output.",
                       OutputValue(*module.outputMetricRegex, *document.output));
    }
    if (document.hostKeyFingerprint) {
        InfoMetric(out, "probe_ssh_host_key_info",
                   "SHA-256 fingerprint of the server's host key, hex-encoded.",
                   {{"fingerprint_sha256", *document.hostKeyFingerprint}});
    }
    if (document.serverIdentification) {
        InfoMetric(out, "probe_ssh_server_info", "Identification string the SSH server sent.",
                   {{"identification", *document.serverIdentification}});
    }
    if (!document.algorithms.empty()) {
        Labels labels;
        for (const char* name : {"kex", "host_key", "cipher_cs", "cipher_sc", "mac_cs", "mac_sc"}) {
            const auto found = document.algorithms.find(name);
            labels.emplace_back(name, found == document.algorithms.end() ? "" : found->second);
        }
        InfoMetric(out, "probe_ssh_algorithm_info",
                   "Algorithms negotiated with the server (cs: client to server, sc: server to "
                   "client).",
                   labels);
    }
}

}  // namespace

std::optional<double> OutputValue(const std::regex& pattern, const std::string& output) {
    std::smatch match;
    if (!std::regex_search(output, match, pattern) || match.size() < 2 || !match[1].matched) {
        return std::nullopt;
    }
    const std::string text = match[1].str();
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string RenderProbeMetrics(const std::optional<ProbeDocument>& document, double durationSeconds,
                               const ModuleConfig& module) {
    Exposition out;
    const std::optional<std::string> errorCode =
        document ? document->errorCode : std::optional<std::string>(kProbeFailedCode);
    out.Family("probe_success", "gauge", "Whether the SSH test succeeded (1) or not (0).");
    out.Sample("probe_success", errorCode ? 0 : 1);
    out.Family("probe_duration_seconds", "gauge",
               "How long the probe process ran, from its start to its end, in seconds.");
    out.Sample("probe_duration_seconds", durationSeconds);
    if (errorCode) {
        InfoMetric(out, "probe_ssh_error_info", "The error code of a failed SSH test.",
                   {{"code", *errorCode}});
    }
    if (document) {
        RenderDocument(out, *document, module);
    }
    return out.Text();
}

}  // namespace VekExporter
