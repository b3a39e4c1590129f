#pragma once

#include <cstddef>

namespace VekPlugin {

// How much of the captured output check_vek prints after the status line.
inline constexpr std::size_t kLongOutputBytes = 4096;

// How long after its time budget the probe may still run before check_vek kills it.
inline constexpr int kProbeGraceSeconds = 5;

}  // namespace VekPlugin
