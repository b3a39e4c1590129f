#include "exporter/ProbeInput.h"

#include <string_view>

#include "probeclient/SecretFile.h"

namespace VekExporter {

VekProbeClient::ProbeInput ProbeInputOf(const ModuleConfig& module, const std::string& target,
                                        long timeoutSeconds) {
    const ModuleCredentials& credentials = module.credentials;
    VekProbeClient::ProbeInput input;
    input.url = target;
    input.ipv6 = module.ipv6;
    input.testId = module.name;
    input.timeoutSeconds = timeoutSeconds;
    input.handshakeOnly = credentials.username.empty();
    input.username = credentials.username;
    // With a key, the password member is the key's passphrase and may be left out.
    input.privateKey = credentials.privateKey;
    input.password = credentials.privateKey ? credentials.passphrase : credentials.password;
    input.hostKeys = module.hostKeyFingerprints;
    if (module.trust.knownHosts) {
        input.knownHosts = module.trust.knownHosts->For(target);
    }
    input.command = module.command;
    if (module.maxOutputBytes) {
        input.maxOutputBytes = *module.maxOutputBytes;
    }
    return input;
}

std::vector<VekLibrary::VekDomain::SensitiveString> SecretsOf(
    const ModuleCredentials& credentials) {
    std::vector<VekLibrary::VekDomain::SensitiveString> secrets = {credentials.username};
    for (const auto* secret : {&credentials.password, &credentials.passphrase}) {
        if (*secret && !(*secret)->GetText().empty()) {
            secrets.push_back(**secret);
        }
    }
    if (credentials.privateKey) {
        const std::string_view key = credentials.privateKey->GetText();
        for (std::size_t begin = 0; begin < key.size();) {
            std::size_t end = key.find('\n', begin);
            end = end == std::string_view::npos ? key.size() : end;
            const std::string_view line = key.substr(begin, end - begin);
            if (line.size() >= 8 && line.find("-----") == std::string_view::npos) {
                std::string copy(line);
                secrets.emplace_back(copy);
                VekProbeClient::WipeText(copy);
            }
            begin = end + 1;
        }
    }
    return secrets;
}

}  // namespace VekExporter
