#pragma once

#include <string>

namespace VekLibrary::VekLogger {

// Source of the timestamp text that starts every log line.
class ITimestampProvider {
public:
    virtual ~ITimestampProvider() = default;

    // The current wall-clock time as text; throws XBrokenInvariantsError when the
    // clock cannot be read or converted.
    virtual std::string GetNow() const = 0;
};

}  // namespace VekLibrary::VekLogger
