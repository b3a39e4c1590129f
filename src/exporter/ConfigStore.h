#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "exporter/ExporterMetrics.h"
#include "exporter/ModuleConfig.h"

namespace VekExporter {

// The configuration in force. Scrapes take a snapshot that stays valid however
// long they run; Reload replaces it only when the whole new file is good.
class ConfigStore final {
public:
    // Loads the file; throws std::runtime_error saying why when it cannot.
    ConfigStore(std::string path, ExporterMetrics& metrics);

    std::shared_ptr<const ExporterConfig> Current() const;
    // Reads the file again. Returns the reason when the file is bad and the
    // previous configuration stays; logs either way.
    std::optional<std::string> Reload();

private:
    // Makes `config` the one in force for the metrics, says what each module's
    // known_hosts file holds, and warns of every module that sets
    // insecure_skip_host_key_check.
    void Announce(const ExporterConfig& config);

    const std::string path_;
    ExporterMetrics& metrics_;
    // Only one reload reads the files at a time, so the newest file always wins.
    std::mutex reloading_;
    mutable std::mutex mutex_;
    std::shared_ptr<const ExporterConfig> current_;
};

}  // namespace VekExporter
