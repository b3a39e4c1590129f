#include "exporter/ProbeMetrics.h"

#include <cstdlib>
#include <set>
#include <string_view>
#include <utility>

#include "exporter/Exposition.h"
#include "result/ServerAlgorithmOffer.h"
#include "result/WeakAlgorithmPolicy.h"

namespace VekExporter {

namespace {

void InfoMetric(Exposition& out, const std::string& name, const std::string& help,
                const Labels& labels) {
    out.Family(name, "gauge", help);
    out.Sample(name, labels, 1);
}

std::optional<double> Value(const std::optional<long long>& number) {
    return number ? std::optional<double>(static_cast<double>(*number)) : std::nullopt;
}

void GaugeIfPresent(Exposition& out, const std::string& name, const std::string& help,
                    const std::optional<double>& value) {
    if (value) {
        out.Family(name, "gauge", help);
        out.Sample(name, *value);
    }
}

using VekProbeClient::ProbeDocument;

// Each distinct offered algorithm once per kind (a cipher offered both ways is one
// sample), and the weak ones among them by the same policy as the probe's.
void RenderServerOffer(Exposition& out, const ProbeDocument& document) {
    Labels offered;
    Labels weak;
    std::set<std::pair<std::string, std::string>> seen;
    for (std::size_t index = 0; index < Ssh::kServerOfferListCount; ++index) {
        const std::optional<std::string>& list = document.serverAlgorithms[index];
        if (!list) {
            continue;
        }
        const Ssh::AlgorithmKindEnum kind = Ssh::ServerOfferLists()[index].kind;
        const std::string kindName = Ssh::AlgorithmKindName(kind);
        Ssh::ForEachName(*list, [&](std::string_view name) {
            if (!seen.emplace(kindName, std::string(name)).second) {
                return;
            }
            offered.emplace_back(kindName, name);
            if (Ssh::FindWeakAlgorithmRule(kind, name) != nullptr) {
                weak.emplace_back(kindName, name);
            }
        });
    }
    const auto family = [&out](const char* name, const char* help, const Labels& pairs) {
        if (pairs.empty()) {
            return;
        }
        out.Family(name, "gauge", help);
        for (const auto& [kind, algorithm] : pairs) {
            out.Sample(name, {{"kind", kind}, {"algorithm", algorithm}}, 1);
        }
    };
    family("probe_ssh_server_algorithm_info",
           "Each algorithm the server offers in its key exchange init, by kind.", offered);
    family("probe_ssh_weak_algorithm_info",
           "Each offered algorithm that the probe's policy flags as weak, by kind.", weak);
    const auto flag = [](const std::optional<bool>& value) {
        return value ? std::optional<double>(*value ? 1 : 0) : std::nullopt;
    };
    GaugeIfPresent(out, "probe_ssh_strict_kex",
                   "Whether the server offers strict key exchange (kex-strict-s-v00@openssh.com).",
                   flag(document.strictKex));
    GaugeIfPresent(out, "probe_ssh_terrapin_vulnerable",
                   "Whether the server's offer is open to the Terrapin attack (CVE-2023-48795).",
                   flag(document.terrapinVulnerable));
}

void RenderDocument(Exposition& out, const ProbeDocument& document, const ModuleConfig& module) {
    bool family = false;
    for (std::size_t index = 0; index < VekProbeClient::kStageCount; ++index) {
        if (const auto& milliseconds = document.stageMilliseconds[index]) {
            if (!family) {
                out.Family("probe_ssh_stage_duration_seconds", "gauge",
                           "Duration of each stage of the SSH test that ran, in seconds.");
                family = true;
            }
            out.Sample("probe_ssh_stage_duration_seconds",
                       {{"stage", VekProbeClient::ProbeStages()[index].name}},
                       static_cast<double>(*milliseconds) / 1000);
        }
    }
    GaugeIfPresent(out, "probe_ssh_command_exit_code", "Exit status of the remote shell.",
                   Value(document.returnCode));
    GaugeIfPresent(out, "probe_ssh_command_output_bytes",
                   "Bytes of standard output captured from the command.",
                   Value(document.outputBytes));
    if (module.outputMetricRegex && document.output) {
        GaugeIfPresent(out, "probe_ssh_command_output_value",
                       "The number that the module's output_metric_regex found in the output.",
                       OutputValue(*module.outputMetricRegex, *document.output));
    }
    if (document.hostFingerprintHex) {
        InfoMetric(out, "probe_ssh_host_key_info",
                   "SHA-256 fingerprint of the server's host key, hex-encoded.",
                   {{"fingerprint_sha256", *document.hostFingerprintHex}});
    }
    if (document.serverIdentification) {
        InfoMetric(out, "probe_ssh_server_info", "Identification string the SSH server sent.",
                   {{"identification", *document.serverIdentification}});
    }
    Labels labels;
    bool anyAlgorithm = false;
    for (std::size_t index = 0; index < VekProbeClient::kAlgorithmCount; ++index) {
        const std::optional<std::string>& algorithm = document.algorithms[index];
        anyAlgorithm = anyAlgorithm || algorithm.has_value();
        labels.emplace_back(VekProbeClient::ProbeAlgorithms()[index].name, algorithm.value_or(""));
    }
    if (anyAlgorithm) {
        InfoMetric(out, "probe_ssh_algorithm_info",
                   "Algorithms negotiated with the server (cs: client to server, sc: server to "
                   "client).",
                   labels);
    }
    RenderServerOffer(out, document);
}

}  // namespace

std::optional<double> OutputValue(const VekProbeClient::OutputPattern& pattern,
                                  const std::string& output) {
    const std::optional<std::string> group = pattern.FirstGroup(output);
    if (!group) {
        return std::nullopt;
    }
    const std::string& text = *group;
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
