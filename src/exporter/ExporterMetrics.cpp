#include "exporter/ExporterMetrics.h"

#include <utility>

#include "exporter/BuildInfo.h"
#include "exporter/Exposition.h"

namespace VekExporter {

namespace {

const char* OutcomeLabel(ProbeOutcomeKind outcome) {
    switch (outcome) {
        case ProbeOutcomeKind::Success:
            return "success";
        case ProbeOutcomeKind::Failure:
            return "failure";
        case ProbeOutcomeKind::ProbeFailed:
            break;
    }
    return "probe_failed";
}

}  // namespace

void ExporterMetrics::CountProbe(const std::string& module, ProbeOutcomeKind outcome) {
    const std::lock_guard<std::mutex> lock(mutex_);
    probes_[{module, OutcomeLabel(outcome)}] += 1;
}

void ExporterMetrics::RecordReload(bool successful) {
    const std::lock_guard<std::mutex> lock(mutex_);
    lastReloadSuccessful_ = successful;
    if (!successful) {
        reloadFailures_ += 1;
    }
}

void ExporterMetrics::SetModulesInsecure(std::map<std::string, bool> insecure) {
    const std::lock_guard<std::mutex> lock(mutex_);
    modulesInsecure_ = std::move(insecure);
}

std::string ExporterMetrics::Render(long runningProcesses) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    Exposition out;
    out.Family("vek_exporter_probes_total", "counter",
               "Probes run, by module and outcome (success, failure: the test failed, "
               "probe_failed: the probe wrote no document).");
    for (const auto& [key, count] : probes_) {
        out.Sample("vek_exporter_probes_total", {{"module", key.first}, {"outcome", key.second}},
                   count);
    }
    out.Family("vek_exporter_probe_processes", "gauge", "Probe processes running now.");
    out.Sample("vek_exporter_probe_processes", static_cast<double>(runningProcesses));
    out.Family("vek_exporter_config_last_reload_successful", "gauge",
               "Whether the last load of the configuration file succeeded.");
    out.Sample("vek_exporter_config_last_reload_successful", lastReloadSuccessful_ ? 1 : 0);
    out.Family("vek_exporter_config_reload_failures_total", "counter",
               "Loads of the configuration file that failed and kept the previous one.");
    out.Sample("vek_exporter_config_reload_failures_total", reloadFailures_);
    out.Family("vek_exporter_build_info", "gauge",
               "A metric with a constant '1' value labeled by the version and git revision "
               "vek-exporter was built from.");
    out.Sample("vek_exporter_build_info",
               {{"version", kBuildVersion}, {"revision", kBuildRevision}}, 1);
    out.Family("vek_exporter_module_insecure", "gauge",
               "Whether a module sets insecure_skip_host_key_check.");
    for (const auto& [module, insecure] : modulesInsecure_) {
        out.Sample("vek_exporter_module_insecure", {{"module", module}}, insecure ? 1 : 0);
    }
    return out.Text();
}

}  // namespace VekExporter
