#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace VekProbeClient {

// A value of the result document under the short name the programs that run the
// probe show it by, and its key.
struct ProbeField {
    const char* name;
    const std::string* key;
};

inline constexpr std::size_t kStageCount = 7;

// The timed stages, in the order the probe runs them: dns, connect, banner, kex,
// service_request, auth, exec, each with the key of its duration in milliseconds.
// The names are the exporter's stage label values, the plugin's performance data
// labels and the STAGE of its stage thresholds.
const std::array<ProbeField, kStageCount>& ProbeStages();

// The index of the stage named `name`, or kStageCount.
std::size_t FindStage(const std::string& name);

// "dns, connect, ..." for messages and help texts.
std::string StageNameList();

}  // namespace VekProbeClient
