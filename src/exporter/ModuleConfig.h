#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "crypto/HostKeyFingerprint.h"
#include "domain/SensitiveString.h"
#include "exporter/ModuleTrust.h"
#include "probeclient/OutputPattern.h"

namespace VekExporter {

// How one module logs in: with a password, or with a private key (and, for an
// encrypted key, its passphrase). Secrets are wiped when the configuration that
// holds them is dropped.
struct ModuleCredentials {
    // Empty: a handshake-only module, which sends no credentials at all.
    std::string username;
    std::optional<VekLibrary::VekDomain::SensitiveString> password;
    std::optional<VekLibrary::VekDomain::SensitiveString> privateKey;
    std::optional<VekLibrary::VekDomain::SensitiveString> passphrase;
};

// One module of the configuration file: everything a probe needs besides the target.
struct ModuleConfig {
    std::string name;
    ModuleCredentials credentials;
    // Empty accepts any host key, unless `trust` names known hosts.
    std::vector<VekLibrary::Crypto::HostKeyFingerprint> hostKeyFingerprints;
    ModuleTrust trust;
    // The command text as written in the file; empty runs no command.
    std::string command;
    std::optional<std::int64_t> maxOutputBytes;
    bool ipv6 = false;
    // The longest test this module allows, in seconds.
    std::optional<double> timeoutSeconds;
    // Its first capture group is the value of probe_ssh_command_output_value.
    std::shared_ptr<const VekProbeClient::OutputPattern> outputMetricRegex;
};

// A whole configuration file, read and checked. Shared read-only between scrapes;
// a reload builds a new one.
struct ExporterConfig {
    std::map<std::string, ModuleConfig> modules;
};

}  // namespace VekExporter
