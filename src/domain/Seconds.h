#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>

namespace VekLibrary::VekDomain {

class Milliseconds;

// A checked span of whole seconds in [0, 2147483], chosen so that every valid
// Seconds converts to a valid Milliseconds. Same unset/invalid rules as
// Milliseconds: the default value is -1, reading an invalid number throws
// XInvalidOperationError, and an invalid value equals nothing.
class Seconds final {
public:
    Seconds() = default;
    // Throws XBrokenInvariantsError when the count lies outside the domain.
    explicit Seconds(std::int64_t count);
    // Truncates toward zero (1999 ms gives 1 s). Throws XBrokenInvariantsError
    // when the source is invalid.
    explicit Seconds(const Milliseconds& milliseconds);

    // 2147483 s.
    static const Seconds& Max();

    explicit operator bool() const { return IsDomainValid(count_); }

    // Each throws XInvalidOperationError for an invalid value.
    std::int64_t GetValue() const;
    explicit operator std::chrono::seconds() const;
    explicit operator std::int64_t() const;

    bool operator==(const Seconds& other) const;
    bool operator!=(const Seconds& other) const { return !(*this == other); }

    static constexpr std::int64_t kMaxCount = 2147483;

private:
    static bool IsDomainValid(std::int64_t count) {
        return static_cast<std::uint64_t>(count) <= static_cast<std::uint64_t>(kMaxCount);
    }

    std::int64_t count_ = -1;
};

// "<count>s", or "<Invalid Seconds>"; never throws for an invalid value.
std::ostream& operator<<(std::ostream& stream, const Seconds& value);

}  // namespace VekLibrary::VekDomain
