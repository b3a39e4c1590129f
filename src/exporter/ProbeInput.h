#pragma once

#include <string>
#include <vector>

#include "exporter/ModuleConfig.h"
#include "probeclient/ProbeInput.h"

namespace VekExporter {

// The test of `target` with `module`, limited to `timeoutSeconds` whole seconds
// (at least 1). The module's name is the probe's test id.
VekProbeClient::ProbeInput ProbeInputOf(const ModuleConfig& module, const std::string& target,
                                        long timeoutSeconds);

// The texts that must never reach the log in clear: the module's user name,
// password, passphrase and every line of its private key.
std::vector<VekLibrary::VekDomain::SensitiveString> SecretsOf(const ModuleCredentials& credentials);

}  // namespace VekExporter
