#include "exporter/ConfigStore.h"

#include <map>
#include <stdexcept>
#include <utility>

#include "exporter/ConfigLoader.h"
#include "exporter/Log.h"

namespace VekExporter {

namespace {

// Logs what was loaded; a file without modules is allowed (the package's own
// starts so) but answers every probe with 400.
void LogLoaded(const std::string& message, const std::string& path, const ExporterConfig& config) {
    LogInfo(message, {{"file", path}, {"modules", std::to_string(config.modules.size())}});
    if (config.modules.empty()) {
        LogWarn("No module is defined; every probe is refused until one is", {{"file", path}});
    }
}

}  // namespace

ConfigStore::ConfigStore(std::string path, ExporterMetrics& metrics)
    : path_(std::move(path)),
      metrics_(metrics),
      current_(std::make_shared<const ExporterConfig>(LoadExporterConfig(path_))) {
    LogLoaded("Loaded configuration file", path_, *current_);
    Announce(*current_);
}

void ConfigStore::Announce(const ExporterConfig& config) {
    std::map<std::string, bool> insecure;
    for (const auto& [name, module] : config.modules) {
        insecure[name] = module.trust.insecureSkipHostKeyCheck;
        if (module.trust.knownHosts) {
            const VekLibrary::Trust::KnownHosts& read = module.trust.knownHosts->Lines();
            LogInfo("Module trusts a known hosts file",
                    {{"module", name},
                     {"file", module.trust.knownHostsFile},
                     {"entries", std::to_string(read.Entries())},
                     {"skipped_cert_authority", std::to_string(read.CertificateAuthorityLines())},
                     {"skipped_unreadable", std::to_string(read.UnreadableLines())}});
        }
        if (module.trust.insecureSkipHostKeyCheck) {
            LogWarn(
                "Module sets insecure_skip_host_key_check: its credentials may go to servers "
                "whose host keys nothing vouches for",
                {{"module", name}});
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
        LogError("Error reloading configuration, keeping the previous one",
                 {{"file", path_}, {"err", error.what()}});
        return std::string(error.what());
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        current_ = loaded;
    }
    metrics_.RecordReload(true);
    LogLoaded("Reloaded configuration file", path_, *loaded);
    Announce(*loaded);
    return std::nullopt;
}

}  // namespace VekExporter
