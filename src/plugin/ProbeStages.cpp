#include "plugin/ProbeStages.h"

namespace VekPlugin {

const std::array<ProbeStage, kStageCount> kProbeStages = {{
    {"dns", "common.results.metrics.dns.ms"},
    {"connect", "common.results.metrics.connect.ms"},
    {"banner", "qo-ssh.results.metrics.banner-exchange.ms"},
    {"kex", "qo-ssh.results.metrics.key-exchange.ms"},
    {"service_request", "qo-ssh.results.metrics.service-request-exchange.ms"},
    {"auth", "qo-ssh.results.metrics.authentication.ms"},
    {"exec", "qo-ssh.results.metrics.command-execution.ms"},
}};

std::size_t FindStage(const std::string& label) {
    for (std::size_t index = 0; index < kStageCount; ++index) {
        if (label == kProbeStages[index].label) {
            return index;
        }
    }
    return kStageCount;
}

std::string StageLabelList() {
    std::string list;
    for (const ProbeStage& stage : kProbeStages) {
        list += (list.empty() ? "" : ", ") + std::string(stage.label);
    }
    return list;
}

}  // namespace VekPlugin
