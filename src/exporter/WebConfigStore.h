#pragma once

#include <sys/stat.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "exporter/WebConfig.h"

namespace VekExporter {

// The web configuration in force. As Prometheus' exporter toolkit does, the file
// is read again when it (or a certificate, key or CA file it names) has changed,
// which Current checks with a stat of each on every call, and on Reload (SIGHUP,
// POST /-/reload). A file that turns bad keeps the previous configuration and is
// logged once per change. Whether the exporter speaks TLS is fixed at start:
// adding or removing tls_server_config later is refused until a restart.
// Thread-safe; snapshots stay valid however long their holder keeps them.
class WebConfigStore final {
public:
    // An empty path means no file: plain HTTP, no users, no headers. Throws
    // std::runtime_error saying why when the file is bad.
    explicit WebConfigStore(std::string path);

    std::shared_ptr<const WebConfig> Current();
    // Reads the file again now; the reason when it is bad and the previous one stays.
    std::optional<std::string> Reload();
    bool Tls() const { return tls_; }
    const std::string& Path() const { return path_; }

private:
    struct FileStamp {
        int error = 0;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modified = 0;
        long long changed = 0;
        bool operator==(const FileStamp& other) const;
    };
    static std::vector<FileStamp> StampsOf(const std::vector<std::string>& paths);
    // Reads the file; the caller holds mutex_.
    std::optional<std::string> ReloadLocked(std::vector<FileStamp> stamps);

    const std::string path_;
    bool tls_ = false;
    std::mutex mutex_;
    std::shared_ptr<const WebConfig> current_;
    // Of the files as they were when current_ was read, or when reading them last failed.
    std::vector<FileStamp> stamps_;
};

}  // namespace VekExporter
