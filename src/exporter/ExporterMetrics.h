#pragma once

#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace VekExporter {

// How a probe ended, as the exporter's own metrics count it.
enum class ProbeOutcomeKind { Success, Failure, ProbeFailed };

// The exporter's own metrics, served on /metrics: probes run by module and
// outcome, configuration reloads. Shared by every scrape; thread-safe.
class ExporterMetrics final {
public:
    void CountProbe(const std::string& module, ProbeOutcomeKind outcome);
    void RecordReload(bool successful);
    // The modules of the configuration in force, each with its
    // insecure_skip_host_key_check.
    void SetModulesInsecure(std::map<std::string, bool> insecure);
    // The text of /metrics; `runningProcesses` is read from the runner at the time.
    std::string Render(long runningProcesses) const;

private:
    mutable std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, double> probes_;
    bool lastReloadSuccessful_ = true;
    double reloadFailures_ = 0;
    std::map<std::string, bool> modulesInsecure_;
};

}  // namespace VekExporter
