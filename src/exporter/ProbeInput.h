#pragma once

#include <string>
#include <vector>

#include "exporter/ModuleConfig.h"

namespace VekExporter {

// The one JSON line (line feed included) that the probe reads on its standard
// input for a test of `target` with `module`, limited to `timeoutSeconds` whole
// seconds (at least 1). The line holds the module's credentials: callers hand it
// only to the probe's standard input and wipe it afterwards (WipeSecret).
std::string BuildProbeInput(const ModuleConfig& module, const std::string& target,
                            long timeoutSeconds);

// The texts that must never reach the log in clear: the module's user name,
// password, passphrase and every line of its private key.
std::vector<std::string> SecretsOf(const ModuleCredentials& credentials);

// Overwrites the text's bytes in a way the compiler keeps, then empties it.
void WipeSecret(std::string& text);

}  // namespace VekExporter
