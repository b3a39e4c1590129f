#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "domain/SensitiveString.h"

namespace VekExporter {

class TlsSettings;

// How the TLS side asks for and checks a client certificate; the values of
// client_auth_type, named after Go's tls.ClientAuthType as the web configuration
// file of Prometheus' exporter toolkit names them.
enum class ClientAuthEnum {
    NoClientCert,
    RequestClientCert,
    RequireAnyClientCert,
    VerifyClientCertIfGiven,
    RequireAndVerifyClientCert
};

// tls_server_config as read from the file: PEM texts (from a file or written
// inline) and the policies, not yet checked by OpenSSL.
struct TlsServerConfig {
    std::string certPem;
    VekLibrary::VekDomain::SensitiveString keyPem;
    std::string clientCaPem;
    // The keys they came from ("cert_file" or "cert", ...), for messages.
    std::string certName = "cert_file";
    std::string keyName = "key_file";
    std::string clientCaName = "client_ca_file";
    ClientAuthEnum clientAuth = ClientAuthEnum::NoClientCert;
    // Subject alternative names of which the client certificate must hold one.
    std::vector<std::string> clientAllowedSans;
    // TLS1_VERSION ... TLS1_3_VERSION.
    int minVersion = 0;
    int maxVersion = 0;
    // IANA names of TLS 1.2 cipher suites, in order; empty: OpenSSL's defaults.
    std::vector<std::string> cipherSuites;
    bool preferServerCipherSuites = true;
    // OpenSSL group names in order ("P-256", "X25519"); empty: OpenSSL's defaults.
    std::vector<std::string> curves;
};

// rate_limit: a token bucket that refills one request per `interval` and holds `burst`.
struct RateLimit {
    std::chrono::nanoseconds interval{0};
    long burst = 0;
};

// The whole web configuration file (--web.config.file), read and checked. No
// file, or an empty one, is a configuration without TLS, users or headers.
struct WebConfig {
    // Present when the file has tls_server_config: the exporter then speaks TLS only.
    std::shared_ptr<const TlsSettings> tls;
    // User name to bcrypt hash; empty: no authentication.
    std::map<std::string, std::string> basicAuthUsers;
    // http_server_config.headers, added to every answer.
    std::vector<std::pair<std::string, std::string>> headers;
    std::optional<RateLimit> rateLimit;
    // The files the configuration was read from (the file itself, certificates,
    // keys, client CAs): a change to any of them makes the configuration stale.
    std::vector<std::string> sources;
};

}  // namespace VekExporter
