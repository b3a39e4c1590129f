#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace VekExporter {

// How one module logs in: with a password, or with a private key (and, for an
// encrypted key, its passphrase). Secret texts are held as read from the
// configuration or its secret files.
struct ModuleCredentials {
    std::string username;
    std::optional<std::string> password;
    std::optional<std::string> privateKey;
    std::optional<std::string> passphrase;
};

// One module of the configuration file: everything a probe needs besides the target.
struct ModuleConfig {
    std::string name;
    ModuleCredentials credentials;
    // Each "SHA256:<base64>" or 64 hexadecimal digits; empty accepts any host key.
    std::vector<std::string> hostKeyFingerprints;
    // The command text as written in the file; empty runs no command.
    std::string command;
    std::optional<std::int64_t> maxOutputBytes;
    bool ipv6 = false;
    // The longest test this module allows, in seconds.
    std::optional<double> timeoutSeconds;
    // The pattern as written and compiled; its first capture group is the value.
    std::string outputMetricRegexText;
    std::shared_ptr<const std::regex> outputMetricRegex;
};

// A whole configuration file, read and checked. Shared read-only between scrapes;
// a reload builds a new one.
struct ExporterConfig {
    std::map<std::string, ModuleConfig> modules;
};

}  // namespace VekExporter
