#include "domain/Milliseconds.h"

#include <string>

#include "domain/Exceptions.h"
#include "domain/Seconds.h"

namespace VekLibrary::VekDomain {

Milliseconds::Milliseconds(std::int64_t count) : count_(count) {
    if (!IsDomainValid(count_)) {
        throw XBrokenInvariantsError("Expected durationMilliseconds value is between [0," +
                                     std::to_string(kMaxCount) +
                                     "]. Provided: " + std::to_string(count));
    }
}

Milliseconds::Milliseconds(const Seconds& seconds) {
    if (!seconds) {
        throw XBrokenInvariantsError("Cannot convert invalid Seconds to Milliseconds.");
    }
    count_ = seconds.GetValue() * 1000;
    // Unreachable with the two domains, kept so a change of either bound cannot
    // silently produce an out-of-domain value.
    if (!IsDomainValid(count_)) {
        throw XBrokenInvariantsError("Converted Milliseconds duration is not domain-valid.");
    }
}

const Milliseconds& Milliseconds::Max() {
    // Function-local so that static initialisers of other files can use it safely.
    static const Milliseconds kMax(kMaxCount);
    return kMax;
}

std::int64_t Milliseconds::GetValue() const {
    if (!IsDomainValid(count_)) {
        throw XInvalidOperationError(
            "Cannot retrieve value, the Milliseconds' duration is not domain-valid.");
    }
    return count_;
}

Milliseconds::operator std::chrono::milliseconds() const {
    return std::chrono::milliseconds(GetValue());
}

Milliseconds::operator std::int64_t() const {
    return GetValue();
}

bool Milliseconds::operator==(const Milliseconds& other) const {
    return IsDomainValid(count_) && IsDomainValid(other.count_) && count_ == other.count_;
}

std::ostream& operator<<(std::ostream& stream, const Milliseconds& value) {
    if (!value) {
        return stream << "<Invalid Milliseconds>";
    }
    return stream << value.GetValue() << "ms";
}

}  // namespace VekLibrary::VekDomain
