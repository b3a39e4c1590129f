#pragma once

#include <string_view>

namespace VekLibrary::VekLogger {

// True when `text` starts with "DDDD-DD-DD DD:DD:DD.DDD" (D a decimal digit).
inline bool StartsWithTimestampShape(std::string_view text) {
    constexpr std::string_view pattern = "0000-00-00 00:00:00.000";
    if (text.size() < pattern.size()) {
        return false;
    }
    for (size_t i = 0; i < pattern.size(); ++i) {
        const bool digitExpected = pattern[i] == '0';
        const bool isDigit = text[i] >= '0' && text[i] <= '9';
        if (digitExpected ? !isDigit : text[i] != pattern[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace VekLibrary::VekLogger
