#include "exporter/ModuleTrust.h"

#include <re2/re2.h>

#include <functional>
#include <iterator>
#include <stdexcept>

#include "domain/Exceptions.h"
#include "networking/UrlComponentsFactory.h"
#include "probeclient/SecretFile.h"

namespace VekExporter {

namespace {

// Names kept per file; past this many the cache starts again, so that scrapes of
// ever new targets cannot grow it without end.
constexpr std::size_t kMaxCachedNames = 10000;

std::string ScalarOrEmpty(const YAML::Node& node) {
    return node.IsScalar() ? node.as<std::string>() : "";
}

// The known_hosts files of the configurations in use, by their text: a reload that
// finds a file unchanged keeps it read, with the lines already worked out per name.
std::shared_ptr<const TargetKnownHosts> KnownHostsOf(std::string text) {
    static std::mutex mutex;
    static std::unordered_map<std::size_t, std::weak_ptr<const TargetKnownHosts>> inUse;
    const std::size_t hash = std::hash<std::string>()(text);
    const std::lock_guard<std::mutex> lock(mutex);
    for (auto entry = inUse.begin(); entry != inUse.end();) {
        entry = entry->second.expired() ? inUse.erase(entry) : std::next(entry);
    }
    std::shared_ptr<const TargetKnownHosts> knownHosts = inUse[hash].lock();
    if (!knownHosts || knownHosts->Lines().Text() != text) {
        knownHosts = std::make_shared<const TargetKnownHosts>(std::move(text));
        inUse[hash] = knownHosts;
    }
    return knownHosts;
}

}  // namespace

std::string TargetKnownHosts::For(const std::string& target) const {
    std::unique_ptr<VekLibrary::Networking::UrlComponents> url;
    try {
        VekLibrary::Networking::UrlComponentsFactory().Create(target, url);
    } catch (const VekLibrary::XBrokenInvariantsError&) {
        return "";
    }
    const std::uint16_t port = url->GetPortAsNumber();
    const std::string name =
        VekLibrary::Trust::KnownHosts::LookupName(url->GetHost(), port == 0 ? 22 : port);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto found = byName_.find(name);
        if (found != byName_.end()) {
            return found->second;
        }
    }
    // Outside the lock: the first scrapes of many targets each scan the file at once.
    std::string lines = knownHosts_.LinesFor(name);
    const std::lock_guard<std::mutex> lock(mutex_);
    if (byName_.size() >= kMaxCachedNames) {
        byName_.clear();
    }
    byName_.emplace(name, lines);
    return lines;
}

bool IsTrustSetting(const std::string& key) {
    return key == "known_hosts_file" || key == "insecure_skip_host_key_check" ||
           key == "allowed_targets";
}

bool ModuleTrust::Allows(const std::string& target) const {
    if (allowedTargets.empty()) {
        return true;
    }
    for (const auto& pattern : allowedTargets) {
        if (RE2::FullMatch(target, *pattern)) {
            return true;
        }
    }
    return false;
}

ModuleTrust ReadModuleTrust(const YAML::Node& settings, bool sendsCredentials, bool pinned) {
    ModuleTrust trust;
    if (const YAML::Node file = settings["known_hosts_file"]) {
        const std::string path = ScalarOrEmpty(file);
        if (path.empty()) {
            throw std::runtime_error("known_hosts_file must be the path of a file");
        }
        try {
            trust.knownHostsFile = path;
            trust.knownHosts = KnownHostsOf(
                VekProbeClient::ReadRegularFile(path, VekProbeClient::kMaxKnownHostsFileBytes));
        } catch (const std::runtime_error& error) {
            throw std::runtime_error(std::string("known_hosts_file ") + error.what());
        }
    }
    if (const YAML::Node flag = settings["insecure_skip_host_key_check"]) {
        const std::string text = ScalarOrEmpty(flag);
        if (text != "true" && text != "false") {
            throw std::runtime_error("insecure_skip_host_key_check must be true or false");
        }
        trust.insecureSkipHostKeyCheck = text == "true";
    }
    if (const YAML::Node list = settings["allowed_targets"]) {
        const std::string listOfPatterns = "allowed_targets must be a list of regular expressions";
        if (!list.IsSequence()) {
            throw std::runtime_error(listOfPatterns);
        }
        if (list.size() == 0) {
            throw std::runtime_error("allowed_targets is empty; leave it out to allow any target");
        }
        for (const YAML::Node& item : list) {
            if (!item.IsScalar()) {
                throw std::runtime_error(listOfPatterns);
            }
            const std::string pattern = item.as<std::string>();
            auto compiled = std::make_shared<const RE2>(pattern, RE2::Quiet);
            if (!compiled->ok()) {
                throw std::runtime_error("allowed_targets: \"" + pattern +
                                         "\" does not compile: " + compiled->error());
            }
            trust.allowedTargets.push_back(std::move(compiled));
        }
    }
    if (sendsCredentials && !pinned && !trust.knownHosts && !trust.insecureSkipHostKeyCheck) {
        throw std::runtime_error(
            "it sends credentials but names no host_key_fingerprints or known_hosts_file; add "
            "one, or set insecure_skip_host_key_check: true");
    }
    return trust;
}

}  // namespace VekExporter
