#pragma once

#include <chrono>
#include <climits>
#include <cstdint>

namespace VekLibrary::VekDomain {

// A moment on the monotonic clock by which a stage must end. Wall-clock steps
// (an NTP correction, an operator setting the date) never move it.
class Deadline final {
public:
    using Clock = std::chrono::steady_clock;

    explicit Deadline(Clock::time_point end) : end_(end) {}
    static Deadline After(std::int64_t milliseconds) {
        return Deadline(Clock::now() + std::chrono::milliseconds(milliseconds));
    }

    bool HasPassed() const { return Clock::now() >= end_; }

    // Whole milliseconds left, rounded up so that a wait of this length never ends
    // before the deadline; 0 once it has passed; at most INT_MAX, poll's limit.
    int PollTimeout() const {
        const auto left = end_ - Clock::now();
        if (left <= Clock::duration::zero()) {
            return 0;
        }
        const auto rounded = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        return rounded > INT_MAX ? INT_MAX : static_cast<int>(rounded);
    }

private:
    Clock::time_point end_;
};

}  // namespace VekLibrary::VekDomain
