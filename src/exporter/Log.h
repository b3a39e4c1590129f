#pragma once

#include <string>

#include "exporter/LogLine.h"

namespace VekExporter {

// The exporter's log: one line per event on standard error in the format of
// FormatLogLine, written whole by one write so that lines of concurrent scrapes
// never interleave. Lines below the configured level are dropped; until
// ConfigureLog is called the format is logfmt and the level info. Callers pass
// texts that hold no secret; the probe's own lines go through MaskSecrets first.
void ConfigureLog(LogFormatEnum format, LogLevelEnum level);
void Log(LogLevelEnum level, const std::string& message, const LogFields& fields = {});

inline void LogDebug(const std::string& message, const LogFields& fields = {}) {
    Log(LogLevelEnum::Debug, message, fields);
}
inline void LogInfo(const std::string& message, const LogFields& fields = {}) {
    Log(LogLevelEnum::Info, message, fields);
}
inline void LogWarn(const std::string& message, const LogFields& fields = {}) {
    Log(LogLevelEnum::Warn, message, fields);
}
inline void LogError(const std::string& message, const LogFields& fields = {}) {
    Log(LogLevelEnum::Error, message, fields);
}

}  // namespace VekExporter
