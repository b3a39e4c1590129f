#include "exporter/ConfigStore.h"

#include <map>
#include <stdexcept>
#include <utility>

#include "exporter/ConfigLoader.h"
#include "exporter/Log.h"

namespace VekExporter {

namespace {

std::string ModuleCount(const ExporterConfig& config) {
    return std::to_string(config.modules.size()) +
           (config.modules.size() == 1 ? " module" : " modules");
}

}  // namespace

ConfigStore::ConfigStore(std::string path, ExporterMetrics& metrics)
    : path_(std::move(path)),
      metrics_(metrics),
      current_(std::make_shared<const ExporterConfig>(LoadExporterConfig(path_))) {
    LogInfo("Loaded configuration file " + path_ + " with " + ModuleCount(*current_));
    Announce(*current_);
}

void ConfigStore::Announce(const ExporterConfig& config) {
    std::map<std::string, bool> insecure;
    for (const auto& [name, module] : config.modules) {
        insecure[name] = module.trust.insecureSkipHostKeyCheck;
        if (module.trust.knownHosts) {
            const VekLibrary::Trust::KnownHosts& read = module.trust.knownHosts->Lines();
            LogInfo("Module \"" + name + "\" trusts the " + std::to_string(read.Entries()) +
                    " entries of " + module.trust.knownHostsFile + " (skipped: " +
                    std::to_string(read.CertificateAuthorityLines()) + " @cert-authority and " +
                    std::to_string(read.UnreadableLines()) + " unreadable lines)");
        }
        if (module.trust.insecureSkipHostKeyCheck) {
            LogWarning("Module \"" + name +
                       "\" sets insecure_skip_host_key_check: its credentials may go to servers "
                       "whose host keys nothing vouches for");
        }
    }
    metrics_.SetModulesInsecure(std::move(insecure));
}

std::shared_ptr<const ExporterConfig> ConfigStore::Current() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return current_;
}

std::optional<std::string> ConfigStore::Reload() {
    const std::lock_guard<std::mutex> serial(reloading_);
    std::shared_ptr<const ExporterConfig> loaded;
    try {
        loaded = std::make_shared<const ExporterConfig>(LoadExporterConfig(path_));
    } catch (const std::exception& error) {
        metrics_.RecordReload(false);
        LogError(std::string("Error reloading configuration, keeping the previous one: ") +
                 error.what());
        return std::string(error.what());
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        current_ = loaded;
    }
    metrics_.RecordReload(true);
    LogInfo("Reloaded configuration file " + path_ + " with " + ModuleCount(*loaded));
    Announce(*loaded);
    return std::nullopt;
}

}  // namespace VekExporter
