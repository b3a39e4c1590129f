#include "exporter/LogLine.h"

#include <cstdio>
#include <ctime>

#include "stringutils/Utf8Repair.h"

namespace VekExporter {

namespace {

const char* LevelName(LogLevelEnum level) {
    switch (level) {
        case LogLevelEnum::Debug:
            return "debug";
        case LogLevelEnum::Info:
            return "info";
        case LogLevelEnum::Warn:
            return "warn";
        case LogLevelEnum::Error:
            break;
    }
    return "error";
}

std::string Timestamp(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    const long long millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count() %
        1000;
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char stamp[48];
    const std::size_t length = std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(stamp + length, sizeof stamp - length, ".%03dZ", static_cast<int>(millis));
    return stamp;
}

// The text between the quotes of a JSON string, which logfmt quotes the same way.
// Returns whether anything had to be escaped.
bool AppendEscaped(std::string& out, const std::string& raw) {
    const std::string text = VekLibrary::StringUtilities::ToValidUtf8(raw);
    bool escaped = text != raw;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        char code[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            std::snprintf(code, sizeof code, "\\u%04x", c);
            out += code;
        } else if (c == 0xc2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) == 0x85) {
            out += "\\u0085";  // NEL
            ++i;
        } else if (c == 0xe2 && i + 2 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) == 0x80 &&
                   (static_cast<unsigned char>(text[i + 2]) & 0xfe) == 0xa8) {
            out += text[i + 2] == '\xa8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += static_cast<char>(c);
            continue;
        }
        escaped = true;
    }
    return escaped;
}

std::string Key(const std::string& key) {
    std::string clean = key.empty() ? "_" : key;
    for (char& c : clean) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '-';
        if (!allowed) {
            c = '_';
        }
    }
    return clean;
}

void AppendLogfmt(std::string& line, const std::string& key, const std::string& value) {
    if (!line.empty()) {
        line += ' ';
    }
    line += Key(key);
    line += '=';
    std::string escaped;
    const bool changed = AppendEscaped(escaped, value);
    const bool quote = changed || value.empty() || value.find_first_of(" =\"") != std::string::npos;
    line += quote ? "\"" + escaped + "\"" : escaped;
}

void AppendJson(std::string& line, const std::string& key, const std::string& value) {
    line += line.size() == 1 ? "\"" : ",\"";
    line += Key(key);
    line += "\":\"";
    AppendEscaped(line, value);
    line += '"';
}

}  // namespace

std::string FormatLogLine(LogFormatEnum format, std::chrono::system_clock::time_point time,
                          LogLevelEnum level, const std::string& message, const LogFields& fields) {
    const bool json = format == LogFormatEnum::Json;
    std::string line = json ? "{" : "";
    const auto append = json ? AppendJson : AppendLogfmt;
    append(line, "ts", Timestamp(time));
    append(line, "level", LevelName(level));
    append(line, "msg", message);
    for (const auto& [key, value] : fields) {
        append(line, key, value);
    }
    return line + (json ? "}\n" : "\n");
}

std::optional<LogLevelEnum> ParseLogLevel(const std::string& text) {
    for (const LogLevelEnum level :
         {LogLevelEnum::Debug, LogLevelEnum::Info, LogLevelEnum::Warn, LogLevelEnum::Error}) {
        if (text == LevelName(level)) {
            return level;
        }
    }
    return std::nullopt;
}

std::optional<LogFormatEnum> ParseLogFormat(const std::string& text) {
    if (text == "logfmt") {
        return LogFormatEnum::Logfmt;
    }
    if (text == "json") {
        return LogFormatEnum::Json;
    }
    return std::nullopt;
}

}  // namespace VekExporter
