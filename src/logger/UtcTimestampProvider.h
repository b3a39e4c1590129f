#pragma once

#include <chrono>
#include <string>

#include "logger/ITimestampProvider.h"

namespace VekLibrary::VekLogger {

// Timestamps in UTC, whatever the local time zone, with milliseconds:
// "YYYY-MM-DD HH:MM:SS.mmm" (23 characters).
class UtcTimestampProvider final : public ITimestampProvider {
public:
    std::string GetNow() const override;

    // The text GetNow gives for the clock reading `time`.
    static std::string Format(std::chrono::system_clock::time_point time);
};

}  // namespace VekLibrary::VekLogger
