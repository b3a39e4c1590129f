#pragma once

#include <string>

namespace VekExporter {

// The exporter's log: one line per call on standard error,
// "<YYYY-MM-DD HH:MM:SS.mmm> [INF|WRN|ERR] <message>" in UTC, written whole by one
// write so that lines of concurrent scrapes never interleave. Callers pass texts
// that hold no secret; the probe's own lines go through MaskSecrets first.
void LogInfo(const std::string& message);
void LogWarning(const std::string& message);
void LogError(const std::string& message);

}  // namespace VekExporter
