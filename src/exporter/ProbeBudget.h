#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace VekExporter {

// Prometheus' default scrape timeout, used when a scrape does not send
// X-Prometheus-Scrape-Timeout-Seconds (a person with curl, say).
constexpr double kDefaultScrapeTimeoutSeconds = 10.0;
// What the exporter keeps of the scrape's time for itself: starting the probe,
// reading its document and answering.
constexpr double kScrapeReserveSeconds = 0.5;
// The shortest test there is.
constexpr double kMinimumTestSeconds = 1.0;
// How long a probe may outlive its own time limit before it is killed.
constexpr std::chrono::seconds kKillGrace{2};

// The value of X-Prometheus-Scrape-Timeout-Seconds, when it is a positive number.
std::optional<double> ParseScrapeTimeout(const std::string& headerValue);

// The test's timeout in seconds: the scrape's timeout (or the default) minus the
// reserve and minus what the scrape already spent waiting, capped by the module's
// timeout, and at least one second.
double TestTimeoutSeconds(std::optional<double> scrapeTimeout, std::optional<double> moduleTimeout,
                          double alreadySpentSeconds);

// The probe counts its limit in whole seconds: the test timeout rounded down, so
// that the probe finishes before the scrape gives up, and never below one second
// (zero would mean no limit at all to the probe).
long ProbeTimeoutSeconds(double testTimeoutSeconds);

// How long a scrape may wait for a free probe slot: until only the shortest test
// would still fit into the scrape's time.
double SlotWaitSeconds(std::optional<double> scrapeTimeout);

}  // namespace VekExporter
