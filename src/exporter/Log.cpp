#include "exporter/Log.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace VekExporter {

namespace {

void Write(const char* level, const std::string& message) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char stamp[40];
    const std::size_t length = std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &utc);
    std::snprintf(stamp + length, sizeof stamp - length, ".%03d", static_cast<int>(millis));
    std::string line = std::string(stamp) + " [" + level + "] " + message + "\n";
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t count = ::write(STDERR_FILENO, line.data() + written, line.size() - written);
        if (count <= 0) {
            return;  // Nowhere left to report a failing log.
        }
        written += static_cast<std::size_t>(count);
    }
}

}  // namespace

void LogInfo(const std::string& message) {
    Write("INF", message);
}
void LogWarning(const std::string& message) {
    Write("WRN", message);
}
void LogError(const std::string& message) {
    Write("ERR", message);
}

}  // namespace VekExporter
