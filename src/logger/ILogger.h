#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

#include "logger/LogLevelEnum.h"

namespace VekLibrary::VekLogger {

// Writes leveled diagnostic lines to standard error: a UTC timestamp, the level,
// the logger id and the message, one complete text per call. The process has one
// logger, shared by pointer between its users.
class ILogger {
public:
    virtual ~ILogger() = default;

    // Writes the message unchanged when `level` is not below the cut-off.
    virtual void WriteLog(LogLevelEnum level, std::string_view message) = 0;
    // Like WriteLog, but trims the message, drops blank lines and replaces every
    // line that shows one of the sanitisation hints (any ASCII case) by ">>MASKED<<".
    virtual void WriteSanitizedLog(LogLevelEnum level, std::string_view message) = 0;
    // Replaces the hint set; empty members are ignored, an empty set disables masking.
    virtual void SetSanitizationHints(const std::unordered_set<std::string>& hints) = 0;
    virtual void SetLogLevelCutoff(LogLevelEnum level) = 0;
    virtual LogLevelEnum GetLogLevelCutoff() const = 0;
    virtual void SetLoggerId(std::string_view id) = 0;
    virtual const std::string& GetLoggerId() const = 0;
};

}  // namespace VekLibrary::VekLogger
