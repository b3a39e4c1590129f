#pragma once

#include <cstddef>
#include <string>

namespace VekLibrary::IoHandler {

// Accepts a text of at most `maximumBytes` bytes. A longer one is refused with
// XInvalidTestInputError "Incorrect input provided for option: -<flag>. The value is
// longer than <maximumBytes> bytes." The text itself is never repeated: it may be
// megabytes long, and every log line would carry it.
class TextLengthValidator final {
public:
    TextLengthValidator(char flag, std::size_t maximumBytes)
        : flag_(flag), maximumBytes_(maximumBytes) {}

    bool operator()(const std::string& value) const;

private:
    char flag_;
    std::size_t maximumBytes_;
};

}  // namespace VekLibrary::IoHandler
