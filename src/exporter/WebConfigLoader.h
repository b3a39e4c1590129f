#pragma once

#include <string>

#include "exporter/WebConfig.h"

namespace VekExporter {

// Reads the web configuration file (--web.config.file) in the format of
// Prometheus' exporter toolkit: tls_server_config, http_server_config.headers,
// basic_auth_users (bcrypt hashes) and rate_limit. Files it names are read too,
// relative to the file's own folder, and the TLS side is built and checked, so
// that a file that loads is one the exporter can serve with. Unknown keys are
// refused. Throws std::runtime_error starting with the path and naming the key
// that is wrong and why.
WebConfig LoadWebConfig(const std::string& path);

}  // namespace VekExporter
