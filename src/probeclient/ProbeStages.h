#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace VekProbeClient {

// One timed stage of a probe's test: its name, as every program that runs the probe
// shows it (the exporter's stage label, the plugin's performance data label and
// the STAGE of its stage thresholds), and the result document's key of its
// duration in milliseconds.
struct ProbeStage {
    const char* name;
    const std::string* durationKey;
};

inline constexpr std::size_t kStageCount = 7;

// dns, connect, banner, kex, service_request, auth, exec: in the order the probe
// runs them.
const std::array<ProbeStage, kStageCount>& ProbeStages();

// The index of the stage named `name`, or kStageCount.
std::size_t FindStage(const std::string& name);

// "dns, connect, ..." for messages and help texts.
std::string StageNameList();

}  // namespace VekProbeClient
