#include "domain/Deadline.h"

#include <climits>
#include <utility>

#include "domain/Exceptions.h"

namespace VekLibrary::VekDomain {

Deadline::Deadline(std::shared_ptr<const IMonotonicClock> clock, TimePoint end,
                   std::int64_t givenMilliseconds)
    : clock_(std::move(clock)), end_(end), givenMilliseconds_(givenMilliseconds) {
    if (!clock_) {
        throw XBrokenInvariantsError("Deadline clock cannot be null.");
    }
}

Deadline Deadline::After(std::shared_ptr<const IMonotonicClock> clock, std::int64_t milliseconds) {
    const TimePoint now = clock ? clock->Now() : TimePoint();
    return Deadline(std::move(clock), now + std::chrono::milliseconds(milliseconds), milliseconds);
}

int Deadline::PollTimeout() const {
    const auto left = end_ - clock_->Now();
    if (left <= TimePoint::duration::zero()) {
        return 0;
    }
    const auto rounded = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return rounded > INT_MAX ? INT_MAX : static_cast<int>(rounded);
}

}  // namespace VekLibrary::VekDomain
