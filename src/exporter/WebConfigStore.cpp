#include "exporter/WebConfigStore.h"

#include <cerrno>
#include <stdexcept>

#include "exporter/Log.h"
#include "exporter/WebConfigLoader.h"

namespace VekExporter {

bool WebConfigStore::FileStamp::operator==(const FileStamp& other) const {
    return error == other.error && device == other.device && inode == other.inode &&
           size == other.size && modified == other.modified && changed == other.changed;
}

std::vector<WebConfigStore::FileStamp> WebConfigStore::StampsOf(
    const std::vector<std::string>& paths) {
    std::vector<FileStamp> stamps;
    for (const std::string& path : paths) {
        struct stat status {};
        FileStamp stamp;
        if (::stat(path.c_str(), &status) != 0) {
            stamp.error = errno;
        } else {
            stamp.device = status.st_dev;
            stamp.inode = status.st_ino;
            stamp.size = status.st_size;
            stamp.modified = status.st_mtim.tv_sec * 1000000000LL + status.st_mtim.tv_nsec;
            stamp.changed = status.st_ctim.tv_sec * 1000000000LL + status.st_ctim.tv_nsec;
        }
        stamps.push_back(stamp);
    }
    return stamps;
}

WebConfigStore::WebConfigStore(std::string path) : path_(std::move(path)) {
    if (path_.empty()) {
        current_ = std::make_shared<const WebConfig>();
        return;
    }
    auto loaded = std::make_shared<const WebConfig>(LoadWebConfig(path_));
    stamps_ = StampsOf(loaded->sources);
    tls_ = loaded->tls != nullptr;
    current_ = std::move(loaded);
}

std::shared_ptr<const WebConfig> WebConfigStore::Current() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!path_.empty()) {
        std::vector<FileStamp> stamps = StampsOf(current_->sources);
        if (!(stamps == stamps_)) {
            ReloadLocked(std::move(stamps));
        }
    }
    return current_;
}

std::optional<std::string> WebConfigStore::Reload() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (path_.empty()) {
        return std::nullopt;
    }
    return ReloadLocked(StampsOf(current_->sources));
}

std::optional<std::string> WebConfigStore::ReloadLocked(std::vector<FileStamp> stamps) {
    stamps_ = std::move(stamps);
    try {
        auto loaded = std::make_shared<const WebConfig>(LoadWebConfig(path_));
        if ((loaded->tls != nullptr) != tls_) {
            throw std::runtime_error(path_ + ": tls_server_config was " +
                                     (tls_ ? "removed" : "added") +
                                     "; switching TLS on or off needs a restart");
        }
        // The files it names may be others now.
        stamps_ = StampsOf(loaded->sources);
        current_ = std::move(loaded);
    } catch (const std::exception& error) {
        LogError("Error reloading the web configuration, keeping the previous one",
                 {{"file", path_}, {"err", error.what()}});
        return std::string(error.what());
    }
    LogInfo("Reloaded the web configuration", {{"file", path_}});
    return std::nullopt;
}

}  // namespace VekExporter
