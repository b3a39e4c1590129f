#include "exporter/ConfigStore.h"

#include <stdexcept>

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
    return std::nullopt;
}

}  // namespace VekExporter
