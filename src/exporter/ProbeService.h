#pragma once

#include <string>

#include "exporter/ConcurrencyLimit.h"
#include "exporter/ConfigStore.h"
#include "exporter/ExporterMetrics.h"
#include "exporter/ShutdownSignal.h"

namespace VekExporter {

struct HttpAnswer {
    int status = 200;
    std::string contentType;
    std::string body;
};

// One scrape of /probe: finds the module, waits for a probe slot, runs the probe
// within the scrape's time and turns its document into metrics. A probe still
// running when the exporter must have ended (ShutdownSignal::FinishBy) is killed.
// The store, shutdown signal and metrics are borrowed and must outlive the service.
// Thread-safe: every scrape runs on a thread of its own.
class ProbeService final {
public:
    ProbeService(ConfigStore& config, const ShutdownSignal& shutdown, ExporterMetrics& metrics,
                 std::string probePath, long maxConcurrent);

    // `scrapeTimeoutHeader` is the X-Prometheus-Scrape-Timeout-Seconds value, or
    // empty. Unknown modules and missing parameters answer 400 with a text saying so.
    HttpAnswer Probe(const std::string& target, const std::string& moduleName,
                     const std::string& scrapeTimeoutHeader);
    // From now on scrapes start no probe; those waiting for a slot are answered 503.
    void StopStartingProbes() { limit_.Close(); }

private:
    ConfigStore& config_;
    const ShutdownSignal& shutdown_;
    ExporterMetrics& metrics_;
    const std::string probePath_;
    const long maxConcurrent_;
    ConcurrencyLimit limit_;
};

}  // namespace VekExporter
