#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace VekExporter {

enum class LogLevelEnum { Debug, Info, Warn, Error };
enum class LogFormatEnum { Logfmt, Json };

// Key and value pairs of one log line, written in this order after ts, level and msg.
using LogFields = std::vector<std::pair<std::string, std::string>>;

// One log line with its final line feed, as Prometheus' own components write
// them: logfmt `ts=2026-12-08T12:19:53.618Z level=info msg="Listening on"
// address=[::]:9706`, or one JSON object. Whatever a value holds - a target from a
// scrape's URL, a line of the probe - the result is exactly one line: control
// characters, the Unicode line and paragraph separators and NEL are escaped
// (\n, \u2028, ...), invalid UTF-8 becomes U+FFFD, and a logfmt value with a
// blank, '=', '"' or an escape is quoted. Keys are written with [A-Za-z0-9_.-] only.
std::string FormatLogLine(LogFormatEnum format, std::chrono::system_clock::time_point time,
                          LogLevelEnum level, const std::string& message, const LogFields& fields);

// "debug", "info", "warn", "error"; empty for anything else.
std::optional<LogLevelEnum> ParseLogLevel(const std::string& text);
// "logfmt", "json"; empty for anything else.
std::optional<LogFormatEnum> ParseLogFormat(const std::string& text);

}  // namespace VekExporter
