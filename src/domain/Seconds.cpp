#include "domain/Seconds.h"

#include <string>

#include "domain/Exceptions.h"
#include "domain/Milliseconds.h"

namespace VekLibrary::VekDomain {

Seconds::Seconds(std::int64_t count) : count_(count) {
    if (!IsDomainValid(count_)) {
        throw XBrokenInvariantsError("Expected durationSeconds value is between [0," +
                                     std::to_string(kMaxCount) +
                                     "]. Provided: " + std::to_string(count));
    }
}

Seconds::Seconds(const Milliseconds& milliseconds) {
    if (!milliseconds) {
        throw XBrokenInvariantsError("Cannot convert invalid Milliseconds to Seconds.");
    }
    count_ = milliseconds.GetValue() / 1000;
    // Unreachable for valid input; guards against a future change of the bounds.
    if (!IsDomainValid(count_)) {
        throw XBrokenInvariantsError("Converted Seconds duration is not domain-valid.");
    }
}

const Seconds& Seconds::Max() {
    static const Seconds kMax(kMaxCount);
    return kMax;
}

std::int64_t Seconds::GetValue() const {
    if (!IsDomainValid(count_)) {
        throw XInvalidOperationError(
            "Cannot retrieve value, the Seconds' duration is not domain-valid.");
    }
    return count_;
}

Seconds::operator std::chrono::seconds() const {
    return std::chrono::seconds(GetValue());
}

Seconds::operator std::int64_t() const {
    return GetValue();
}

bool Seconds::operator==(const Seconds& other) const {
    return IsDomainValid(count_) && IsDomainValid(other.count_) && count_ == other.count_;
}

std::ostream& operator<<(std::ostream& stream, const Seconds& value) {
    if (!value) {
        return stream << "<Invalid Seconds>";
    }
    return stream << value.GetValue() << "s";
}

}  // namespace VekLibrary::VekDomain
