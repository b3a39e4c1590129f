#include "logger/UtcTimestampProvider.h"

#include <cstdio>
#include <ctime>

#include "domain/Exceptions.h"

namespace VekLibrary::VekLogger {

std::string UtcTimestampProvider::GetNow() const {
    return Format(std::chrono::system_clock::now());
}

std::string UtcTimestampProvider::Format(std::chrono::system_clock::time_point time) {
    using std::chrono::duration_cast;
    // Floor, not truncation, so that the millisecond part stays in 0..999 for
    // readings before the epoch as well.
    const auto sinceEpoch = time.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    const auto milliseconds =
        duration_cast<std::chrono::milliseconds>(
            std::chrono::floor<std::chrono::milliseconds>(sinceEpoch) - seconds)
            .count();

    const std::time_t wholeSeconds = static_cast<std::time_t>(seconds.count());
    if (wholeSeconds == static_cast<std::time_t>(-1)) {
        throw XBrokenInvariantsError("Failed to get current time.");
    }
    // gmtime_r rather than gmtime: same conversion, no shared static buffer.
    std::tm broken{};
    if (::gmtime_r(&wholeSeconds, &broken) == nullptr) {
        throw XBrokenInvariantsError("Failed to convert current time to UTC.");
    }
    char text[64];
    const size_t length = std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &broken);
    if (length == 0) {
        throw XBrokenInvariantsError("Failed to convert current time to UTC.");
    }
    char fraction[8];
    std::snprintf(fraction, sizeof(fraction), ".%03d", static_cast<int>(milliseconds));
    return std::string(text, length) + fraction;
}

}  // namespace VekLibrary::VekLogger
