#pragma once

#include <string>

namespace VekLibrary::IoHandler {

// Accepts a decimal signed 64-bit integer that is 0 or greater (leading white
// space skipped, trailing characters ignored). Throws XInvalidTestInputError
// when no number can be read or it is out of the 64-bit range.
class TimeoutValidator final {
public:
    bool operator()(const std::string& value) const;
};

}  // namespace VekLibrary::IoHandler
