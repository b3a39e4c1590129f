#include "exporter/Log.h"

#include <unistd.h>

#include <atomic>

namespace VekExporter {

namespace {

std::atomic<LogFormatEnum> gFormat{LogFormatEnum::Logfmt};
std::atomic<LogLevelEnum> gLevel{LogLevelEnum::Info};

}  // namespace

void ConfigureLog(LogFormatEnum format, LogLevelEnum level) {
    gFormat = format;
    gLevel = level;
}

void Log(LogLevelEnum level, const std::string& message, const LogFields& fields) {
    if (level < gLevel.load()) {
        return;
    }
    const std::string line =
        FormatLogLine(gFormat.load(), std::chrono::system_clock::now(), level, message, fields);
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t count = ::write(STDERR_FILENO, line.data() + written, line.size() - written);
        if (count <= 0) {
            return;  // Nowhere left to report a failing log.
        }
        written += static_cast<std::size_t>(count);
    }
}

}  // namespace VekExporter
