#pragma once

#include <chrono>
#include <cstddef>

namespace VekPlugin {

// How much of the captured output check_vek prints after the status line.
inline constexpr std::size_t kLongOutputBytes = 4096;

// How long after -t (counted from check_vek's own start) the probe may still run
// before check_vek kills it, and how long the killed probe may take to be reaped
// before check_vek answers anyway. Together they keep the whole check within -t
// plus 0.1 s.
inline constexpr std::chrono::milliseconds kProbeGrace{50};
inline constexpr std::chrono::milliseconds kReapGrace{20};
// When check_vek answers with --timeout-state whatever it is doing (a file read
// stuck in the kernel, say).
inline constexpr std::chrono::milliseconds kLastWord{85};

}  // namespace VekPlugin
