#pragma once

#include <string>

namespace VekLibrary::IoHandler {

// Accepts the literal "<Bytes.Invalid>" (meaning "keep the default") or a decimal
// signed 64-bit integer that is 0 or greater. Throws XInvalidTestInputError when
// no number can be read or it is out of the 64-bit range.
class MaxDownloadsBytesValidator final {
public:
    bool operator()(const std::string& value) const;
};

}  // namespace VekLibrary::IoHandler
