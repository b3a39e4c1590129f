#pragma once

#include <yaml-cpp/yaml.h>

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "trust/KnownHosts.h"

namespace re2 {
class RE2;
}

namespace VekExporter {

// One module's known_hosts file, read once per load of the configuration. A scrape
// hands the probe only the lines that bear on its target's name, worked out once
// per name and kept, so that neither the whole file nor a scan of it goes with
// every scrape. Thread-safe.
class TargetKnownHosts final {
public:
    explicit TargetKnownHosts(std::string text) : knownHosts_(std::move(text)) {}

    // The known hosts text for `target` ("[qo-ssh://]host[:port]" as the probe reads
    // it): its lines for the name the probe looks the server up by. Empty when the
    // probe would refuse the target anyway.
    std::string For(const std::string& target) const;
    const VekLibrary::Trust::KnownHosts& Lines() const { return knownHosts_; }

private:
    VekLibrary::Trust::KnownHosts knownHosts_;
    mutable std::mutex mutex_;
    mutable std::unordered_map<std::string, std::string> byName_;
};

// Whom a module trusts: the servers its credentials may go to and the targets it
// may be scraped for.
struct ModuleTrust {
    // known_hosts_file, and what it holds; null when the module names none.
    std::string knownHostsFile;
    std::shared_ptr<const TargetKnownHosts> knownHosts;
    // insecure_skip_host_key_check: lifts the rule below; keys that the module
    // names are still checked.
    bool insecureSkipHostKeyCheck = false;
    // allowed_targets (never an empty list), each matched against the whole target;
    // none: any target.
    std::vector<std::shared_ptr<const re2::RE2>> allowedTargets;

    bool Allows(const std::string& target) const;
};

// Whether `key` is one of the module settings ReadModuleTrust reads.
bool IsTrustSetting(const std::string& key);

// Reads known_hosts_file, insecure_skip_host_key_check and allowed_targets of a
// module's settings, and refuses a module that sends credentials (`sendsCredentials`)
// to servers that nothing vouches for: one that is neither `pinned` (names
// host_key_fingerprints) nor names known_hosts_file nor sets the insecure flag.
// Throws std::runtime_error with the reason, which does not name the module.
ModuleTrust ReadModuleTrust(const YAML::Node& settings, bool sendsCredentials, bool pinned);

}  // namespace VekExporter
