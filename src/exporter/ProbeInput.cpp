#include "exporter/ProbeInput.h"

#include <string.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "crypto/Base64Codec.h"

namespace VekExporter {

namespace {

// The probe refuses command text longer than its MaxCommandLength setting, whose
// default is 1000 bytes; the exporter raises it to the module's command.
constexpr std::size_t kProbeDefaultMaxCommandLength = 1000;

std::string Base64(const std::string& data) {
    std::string encoded;
    VekLibrary::Crypto::Base64Codec::Encode(data, encoded);
    return encoded;
}

std::string Joined(const std::vector<std::string>& items) {
    std::string joined;
    for (const std::string& item : items) {
        joined += (joined.empty() ? "" : ",") + item;
    }
    return joined;
}

}  // namespace

std::string BuildProbeInput(const ModuleConfig& module, const std::string& target,
                            long timeoutSeconds) {
    const ModuleCredentials& credentials = module.credentials;
    nlohmann::json capabilities = {
        {"test.common.url", target},
        {"test.common.use-ipv6", module.ipv6},
        {"common.test.test-id", module.name},
        {"common.test.max-step-time", std::max(1L, timeoutSeconds)},
        {"common.test.auth-username", credentials.username},
    };
    // With a key, the password member is the key's passphrase and may be left out.
    if (credentials.privateKey) {
        capabilities["common.test.auth-private-key"] = Base64(*credentials.privateKey);
        if (credentials.passphrase) {
            capabilities["common.test.auth-password"] = *credentials.passphrase;
        }
    } else if (credentials.password) {
        capabilities["common.test.auth-password"] = *credentials.password;
    }
    if (!module.hostKeyFingerprints.empty()) {
        capabilities["qo-ssh.test.host-key-fingerprints"] = Joined(module.hostKeyFingerprints);
    }
    nlohmann::json settings = {{"DataDirectory", "/tmp/"}};
    if (!module.command.empty()) {
        capabilities["common.test.send-data-bytes"] = Base64(module.command);
        settings["MaxCommandLength"] =
            std::max(kProbeDefaultMaxCommandLength, module.command.size());
    }
    if (module.maxOutputBytes) {
        capabilities["common.test.max-downloads-bytes"] = *module.maxOutputBytes;
    }
    const nlohmann::json input = {{"Capabilities", capabilities}, {"Settings", settings}};
    std::string line = input.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    line += '\n';
    return line;
}

std::vector<std::string> SecretsOf(const ModuleCredentials& credentials) {
    std::vector<std::string> secrets = {credentials.username};
    for (const auto* secret : {&credentials.password, &credentials.passphrase}) {
        if (*secret && !(*secret)->empty()) {
            secrets.push_back(**secret);
        }
    }
    if (credentials.privateKey) {
        std::istringstream lines(*credentials.privateKey);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.size() >= 8 && line.find("-----") == std::string::npos) {
                secrets.push_back(line);
            }
        }
    }
    return secrets;
}

void WipeSecret(std::string& text) {
    ::explicit_bzero(text.data(), text.size());
    text.clear();
}

}  // namespace VekExporter
