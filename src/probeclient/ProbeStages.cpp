#include "probeclient/ProbeStages.h"

#include "domain/CommonTestResults.h"
#include "result/SshTestResultKeys.h"

namespace VekProbeClient {

namespace CommonTestResults = VekLibrary::VekDomain::DataKeys::CommonTestResults;
namespace SshTestResultKeys = Ssh::SshTestResultKeys;

const std::array<ProbeField, kStageCount>& ProbeStages() {
    static const std::array<ProbeField, kStageCount> stages = {{
        {"dns", &CommonTestResults::DnsDurationMs},
        {"connect", &CommonTestResults::ConnectDurationMs},
        {"banner", &SshTestResultKeys::BannerExchangeMs},
        {"kex", &SshTestResultKeys::KeyExchangeMs},
        {"service_request", &SshTestResultKeys::ServiceRequestExchangeMs},
        {"auth", &SshTestResultKeys::AuthenticationMs},
        {"exec", &SshTestResultKeys::CommandExecutionMs},
    }};
    return stages;
}

std::size_t FindStage(const std::string& name) {
    for (std::size_t index = 0; index < kStageCount; ++index) {
        if (name == ProbeStages()[index].name) {
            return index;
        }
    }
    return kStageCount;
}

std::string StageNameList() {
    std::string list;
    for (const ProbeField& stage : ProbeStages()) {
        list += (list.empty() ? "" : ", ") + std::string(stage.name);
    }
    return list;
}

}  // namespace VekProbeClient
