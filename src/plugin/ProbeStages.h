#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace VekPlugin {

// One timed stage of a probe test: its performance-data label (also the STAGE of
// --stage-warning and --stage-critical) and the result document's key of its
// duration in milliseconds.
struct ProbeStage {
    const char* label;
    const char* durationKey;
};

inline constexpr std::size_t kStageCount = 7;

// In the order the probe runs them.
extern const std::array<ProbeStage, kStageCount> kProbeStages;

// The index of the stage labelled `label`, or kStageCount.
std::size_t FindStage(const std::string& label);

// "dns, connect, ..." for messages.
std::string StageLabelList();

}  // namespace VekPlugin
