#include "exporter/ProbeBudget.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace VekExporter {

std::optional<double> ParseScrapeTimeout(const std::string& headerValue) {
    if (headerValue.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(headerValue.c_str(), &end);
    if (end == headerValue.c_str() || *end != '\0' || !std::isfinite(value) || value <= 0) {
        return std::nullopt;
    }
    return value;
}

double TestTimeoutSeconds(std::optional<double> scrapeTimeout, std::optional<double> moduleTimeout,
                          double alreadySpentSeconds) {
    double seconds = scrapeTimeout.value_or(kDefaultScrapeTimeoutSeconds) - kScrapeReserveSeconds -
                     alreadySpentSeconds;
    if (moduleTimeout) {
        seconds = std::min(seconds, *moduleTimeout);
    }
    return std::max(seconds, kMinimumTestSeconds);
}

long ProbeTimeoutSeconds(double testTimeoutSeconds) {
    return std::max(1L, static_cast<long>(std::floor(testTimeoutSeconds)));
}

double SlotWaitSeconds(std::optional<double> scrapeTimeout) {
    return std::max(0.0, scrapeTimeout.value_or(kDefaultScrapeTimeoutSeconds) -
                             kScrapeReserveSeconds - kMinimumTestSeconds);
}

}  // namespace VekExporter
