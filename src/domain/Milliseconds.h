#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>

namespace VekLibrary::VekDomain {

class Seconds;

// A checked span of milliseconds in [0, 2147483647] (a signed 32-bit count).
// A default-constructed value holds the "not set" marker -1 and is invalid: it can
// be copied, compared, printed and tested with operator bool, but reading its
// number throws XInvalidOperationError. An invalid value equals nothing, not even
// itself.
class Milliseconds final {
public:
    Milliseconds() = default;
    // Throws XBrokenInvariantsError when the count lies outside the domain.
    explicit Milliseconds(std::int64_t count);
    // Throws XBrokenInvariantsError when the source is invalid.
    explicit Milliseconds(const Seconds& seconds);

    // 2147483647 ms.
    static const Milliseconds& Max();

    explicit operator bool() const { return IsDomainValid(count_); }

    // Each throws XInvalidOperationError for an invalid value.
    std::int64_t GetValue() const;
    explicit operator std::chrono::milliseconds() const;
    explicit operator std::int64_t() const;

    bool operator==(const Milliseconds& other) const;
    bool operator!=(const Milliseconds& other) const { return !(*this == other); }

    static constexpr std::int64_t kMaxCount = 2147483647;

private:
    // One unsigned comparison, so every negative count falls outside.
    static bool IsDomainValid(std::int64_t count) {
        return static_cast<std::uint64_t>(count) <= static_cast<std::uint64_t>(kMaxCount);
    }

    std::int64_t count_ = -1;
};

// "<count>ms", or "<Invalid Milliseconds>"; never throws for an invalid value.
std::ostream& operator<<(std::ostream& stream, const Milliseconds& value);

}  // namespace VekLibrary::VekDomain
