#pragma once

#include "domain/IMonotonicClock.h"

namespace VekLibrary::VekDomain {

// The system's monotonic clock: wall-clock steps (an NTP correction, an operator
// setting the date) never move it.
class SteadyClock final : public IMonotonicClock {
public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }
};

}  // namespace VekLibrary::VekDomain
