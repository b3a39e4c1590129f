#pragma once

#include <stdexcept>
#include <string>
#include <type_traits>

#include "iohandler/IoHandlerErrors.h"

namespace VekLibrary::IoHandler {

// Accepts a decimal unsigned integer within [minimum, maximum]. The text is read
// as std::stoull reads it: leading white space skipped, trailing characters
// ignored, and a leading minus wraps around (so "-1" is the largest value and is
// refused by any maximum below it). Throws XInvalidTestInputError when no
// number can be read or it exceeds the unsigned 64-bit range.
template <typename UnsignedT>
class InclusiveRangeValidator final {
    static_assert(std::is_unsigned_v<UnsignedT>, "InclusiveRangeValidator needs an unsigned type");

public:
    InclusiveRangeValidator(UnsignedT minimum, UnsignedT maximum)
        : minimum_(minimum), maximum_(maximum) {}

    bool operator()(const std::string& value) const {
        unsigned long long number = 0;
        try {
            number = std::stoull(value);
        } catch (const std::invalid_argument& error) {
            throw XInvalidTestInputError(std::string(error.what()) + ". Invalid input: " + value +
                                         ". Valid range: " + RangeText());
        } catch (const std::out_of_range& error) {
            throw XInvalidTestInputError(std::string(error.what()) + ". Input out of range: " +
                                         value + ". Valid range: " + RangeText());
        }
        return static_cast<unsigned long long>(minimum_) <= number &&
               number <= static_cast<unsigned long long>(maximum_);
    }

private:
    std::string RangeText() const {
        return std::to_string(minimum_) + " to " + std::to_string(maximum_);
    }

    UnsignedT minimum_;
    UnsignedT maximum_;
};

}  // namespace VekLibrary::IoHandler
