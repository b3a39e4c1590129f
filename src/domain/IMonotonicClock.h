#pragma once

#include <chrono>

namespace VekLibrary::VekDomain {

// The one time line of a test: every deadline, every wait and every stage duration
// of an SSH test reads the same clock, so a clock that a test injects moves all of
// them together. It must be monotonic (never step back). Shared by whoever times
// the test; read from one thread at a time.
class IMonotonicClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~IMonotonicClock() = default;

    virtual TimePoint Now() const = 0;
};

}  // namespace VekLibrary::VekDomain
