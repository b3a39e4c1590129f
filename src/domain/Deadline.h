#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "domain/IMonotonicClock.h"

namespace VekLibrary::VekDomain {

// A moment by which a stage must end, on the clock that times the test, together
// with the milliseconds the stage was given, which its time-out texts name. A
// deadline reads no clock of its own: whatever the clock says is the time.
class Deadline final {
public:
    using TimePoint = IMonotonicClock::TimePoint;

    // Throws XBrokenInvariantsError for a null clock.
    Deadline(std::shared_ptr<const IMonotonicClock> clock, TimePoint end,
             std::int64_t givenMilliseconds);
    // `milliseconds` after the clock's present moment, which is also what it names
    // as given.
    static Deadline After(std::shared_ptr<const IMonotonicClock> clock, std::int64_t milliseconds);

    bool HasPassed() const { return clock_->Now() >= end_; }
    // Whole milliseconds left, rounded up so that a wait of this length never ends
    // before the deadline; 0 once it has passed; at most INT_MAX, poll's limit.
    int PollTimeout() const;
    std::int64_t GivenMilliseconds() const { return givenMilliseconds_; }

private:
    std::shared_ptr<const IMonotonicClock> clock_;
    TimePoint end_;
    std::int64_t givenMilliseconds_;
};

}  // namespace VekLibrary::VekDomain
