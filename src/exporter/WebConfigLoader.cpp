#include "exporter/WebConfigLoader.h"

#include <openssl/ssl.h>
#include <re2/re2.h>
#include <yaml-cpp/yaml.h>

#include <cmath>
#include <set>
#include <stdexcept>

#include "exporter/ConfigLoader.h"
#include "exporter/TlsSettings.h"
#include "probeclient/SecretFile.h"

namespace VekExporter {

namespace {

// Far more than any certificate bundle or configuration holds.
constexpr std::size_t kMaxFileBytes = 1 << 20;

[[noreturn]] void Refuse(const std::string& where, const std::string& reason) {
    throw std::runtime_error(where + ": " + reason);
}

void OnlyKeys(const YAML::Node& node, const std::string& where, const std::set<std::string>& keys) {
    if (!node.IsMap()) {
        Refuse(where, "must be a mapping");
    }
    for (const auto& entry : node) {
        const std::string key = entry.first.as<std::string>();
        if (keys.count(key) == 0) {
            Refuse(where, "unknown key \"" + key + "\"");
        }
    }
}

std::string Text(const YAML::Node& node, const std::string& where) {
    if (!node.IsScalar()) {
        Refuse(where, "must be a single value");
    }
    return node.as<std::string>();
}

std::vector<std::string> Texts(const YAML::Node& node, const std::string& where) {
    std::vector<std::string> texts;
    if (!node.IsSequence()) {
        Refuse(where, "must be a list");
    }
    for (const auto& item : node) {
        texts.push_back(Text(item, where));
    }
    return texts;
}

bool Flag(const YAML::Node& node, const std::string& where) {
    const std::string text = Text(node, where);
    if (text != "true" && text != "false") {
        Refuse(where, "\"" + text + "\" is not true or false");
    }
    return text == "true";
}

// A PEM text given inline (`inlineKey`) or as a file (`fileKey`), not both.
// Returns the key it came from, or empty when neither is there.
std::string ReadPem(const YAML::Node& tls, const std::string& inlineKey, const std::string& fileKey,
                    const std::string& folder, WebConfig& config, std::string& pem) {
    const std::string where = "tls_server_config";
    if (tls[inlineKey] && tls[fileKey]) {
        Refuse(where, "give " + fileKey + " or " + inlineKey + ", not both");
    }
    if (tls[inlineKey]) {
        pem = Text(tls[inlineKey], where + ": " + inlineKey);
        return inlineKey;
    }
    if (!tls[fileKey]) {
        return "";
    }
    std::string path = Text(tls[fileKey], where + ": " + fileKey);
    if (!path.empty() && path[0] != '/') {
        path = folder + path;
    }
    try {
        pem = VekProbeClient::ReadRegularFile(path, kMaxFileBytes);
    } catch (const std::runtime_error& error) {
        Refuse(where + ": " + fileKey, error.what());
    }
    config.sources.push_back(path);
    return fileKey;
}

ClientAuthEnum ClientAuth(const std::string& text) {
    static const std::pair<const char*, ClientAuthEnum> kTypes[] = {
        {"NoClientCert", ClientAuthEnum::NoClientCert},
        {"RequestClientCert", ClientAuthEnum::RequestClientCert},
        {"RequireAnyClientCert", ClientAuthEnum::RequireAnyClientCert},
        // The toolkit's older name for it.
        {"RequireClientCert", ClientAuthEnum::RequireAnyClientCert},
        {"VerifyClientCertIfGiven", ClientAuthEnum::VerifyClientCertIfGiven},
        {"RequireAndVerifyClientCert", ClientAuthEnum::RequireAndVerifyClientCert}};
    for (const auto& [name, type] : kTypes) {
        if (text == name) {
            return type;
        }
    }
    Refuse("tls_server_config: client_auth_type",
           "\"" + text +
               "\" is not one of NoClientCert, RequestClientCert, RequireAnyClientCert, "
               "VerifyClientCertIfGiven, RequireAndVerifyClientCert");
}

int TlsVersion(const YAML::Node& node, const std::string& key, int fallback) {
    if (!node) {
        return fallback;
    }
    const std::string where = "tls_server_config: " + key;
    const std::string text = Text(node, where);
    const std::pair<const char*, int> kVersions[] = {{"TLS10", TLS1_VERSION},
                                                     {"TLS11", TLS1_1_VERSION},
                                                     {"TLS12", TLS1_2_VERSION},
                                                     {"TLS13", TLS1_3_VERSION}};
    for (const auto& [name, version] : kVersions) {
        if (text == name) {
            return version;
        }
    }
    Refuse(where, "\"" + text + "\" is not one of TLS10, TLS11, TLS12, TLS13");
}

std::string Curve(const std::string& name) {
    const std::pair<const char*, const char*> kCurves[] = {{"CurveP256", "P-256"},
                                                           {"CurveP384", "P-384"},
                                                           {"CurveP521", "P-521"},
                                                           {"X25519", "X25519"}};
    for (const auto& [goName, group] : kCurves) {
        if (name == goName) {
            return group;
        }
    }
    Refuse("tls_server_config: curve_preferences",
           "\"" + name + "\" is not one of CurveP256, CurveP384, CurveP521, X25519");
}

void ReadTls(const YAML::Node& tls, const std::string& folder, WebConfig& config) {
    const std::string where = "tls_server_config";
    OnlyKeys(tls, where,
             {"cert", "key", "client_ca", "cert_file", "key_file", "client_ca_file",
              "client_auth_type", "client_allowed_sans", "min_version", "max_version",
              "cipher_suites", "prefer_server_cipher_suites", "curve_preferences"});
    TlsServerConfig server;
    server.certName = ReadPem(tls, "cert", "cert_file", folder, config, server.certPem);
    std::string key;
    server.keyName = ReadPem(tls, "key", "key_file", folder, config, key);
    server.keyPem = key;
    VekProbeClient::WipeText(key);
    if (server.certName.empty()) {
        Refuse(where, "cert_file is missing");
    }
    if (server.keyName.empty()) {
        Refuse(where, "key_file is missing");
    }
    server.clientCaName =
        ReadPem(tls, "client_ca", "client_ca_file", folder, config, server.clientCaPem);
    const std::string authType = tls["client_auth_type"]
                                     ? Text(tls["client_auth_type"], where + ": client_auth_type")
                                     : "NoClientCert";
    server.clientAuth = ClientAuth(authType);
    const bool checks = server.clientAuth == ClientAuthEnum::VerifyClientCertIfGiven ||
                        server.clientAuth == ClientAuthEnum::RequireAndVerifyClientCert;
    if (!server.clientCaName.empty() && server.clientAuth == ClientAuthEnum::NoClientCert) {
        Refuse(where, server.clientCaName + " is given, but client_auth_type is NoClientCert");
    }
    if (checks && server.clientCaName.empty()) {
        Refuse(where, "client_auth_type " + authType + " needs client_ca_file");
    }
    if (tls["client_allowed_sans"]) {
        server.clientAllowedSans =
            Texts(tls["client_allowed_sans"], where + ": client_allowed_sans");
        if (server.clientAuth != ClientAuthEnum::RequireAnyClientCert &&
            server.clientAuth != ClientAuthEnum::RequireAndVerifyClientCert) {
            Refuse(where,
                   "client_allowed_sans needs client_auth_type RequireAndVerifyClientCert "
                   "or RequireAnyClientCert");
        }
    }
    server.minVersion = TlsVersion(tls["min_version"], "min_version", TLS1_2_VERSION);
    server.maxVersion = TlsVersion(tls["max_version"], "max_version", TLS1_3_VERSION);
    if (server.minVersion > server.maxVersion) {
        Refuse(where, "min_version is above max_version");
    }
    if (tls["cipher_suites"]) {
        server.cipherSuites = Texts(tls["cipher_suites"], where + ": cipher_suites");
    }
    if (tls["prefer_server_cipher_suites"]) {
        server.preferServerCipherSuites =
            Flag(tls["prefer_server_cipher_suites"], where + ": prefer_server_cipher_suites");
    }
    if (tls["curve_preferences"]) {
        for (const std::string& name :
             Texts(tls["curve_preferences"], where + ": curve_preferences")) {
            server.curves.push_back(Curve(name));
        }
    }
    config.tls = std::make_shared<const TlsSettings>(server);
}

bool HasControl(const std::string& text) {
    for (const unsigned char c : text) {
        if (c < 0x20 || c == 0x7f) {
            return true;
        }
    }
    return false;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

void ReadHttpServer(const YAML::Node& http, WebConfig& config) {
    const std::string where = "http_server_config";
    OnlyKeys(http, where, {"http2", "headers"});
    if (http["http2"]) {
        Flag(http["http2"], where + ": http2");  // HTTP/1.1 only; accepted for compatibility.
    }
    if (!http["headers"]) {
        return;
    }
    const std::string headers = where + ": headers";
    OnlyKeys(http["headers"], headers,
             {"Content-Security-Policy", "X-Frame-Options", "X-Content-Type-Options",
              "X-XSS-Protection", "Strict-Transport-Security"});
    for (const auto& entry : http["headers"]) {
        const std::string name = entry.first.as<std::string>();
        const std::string value = Text(entry.second, headers + ": " + name);
        if (HasControl(value)) {
            Refuse(headers + ": " + name, "holds a control character");
        }
        if (name == "X-Frame-Options" && !value.empty() && Lower(value) != "deny" &&
            Lower(value) != "sameorigin") {
            Refuse(headers + ": " + name, "\"" + value + "\" is not deny or sameorigin");
        }
        if (name == "X-Content-Type-Options" && !value.empty() && Lower(value) != "nosniff") {
            Refuse(headers + ": " + name, "\"" + value + "\" is not nosniff");
        }
        if (!value.empty()) {
            config.headers.emplace_back(name, value);
        }
    }
}

void ReadUsers(const YAML::Node& users, WebConfig& config) {
    static const RE2 kBcrypt("\\$2[aby]\\$[0-9]{2}\\$[./A-Za-z0-9]{53}");
    const std::string where = "basic_auth_users";
    if (users.IsNull()) {
        return;
    }
    if (!users.IsMap()) {
        Refuse(where, "must be a mapping of user names to bcrypt hashes");
    }
    for (const auto& entry : users) {
        const std::string name = entry.first.as<std::string>();
        const std::string hash = Text(entry.second, where + ": " + name);
        if (!RE2::FullMatch(hash, kBcrypt)) {
            Refuse(where + ": " + name,
                   "is not a bcrypt hash ($2y$10$ and 53 more characters); make one with "
                   "htpasswd -nBC 10 \"\" | tr -d ':\\n'");
        }
        config.basicAuthUsers[name] = hash;
    }
}

void ReadRateLimit(const YAML::Node& limit, WebConfig& config) {
    const std::string where = "rate_limit";
    OnlyKeys(limit, where, {"interval", "burst"});
    const std::string interval =
        limit["interval"] ? Text(limit["interval"], where + ": interval") : "0";
    if (interval == "0" || interval == "0s") {
        return;  // No limit, as the toolkit reads it.
    }
    RateLimit rate;
    try {
        rate.interval = std::chrono::nanoseconds(
            static_cast<long long>(std::llround(ParseDurationSeconds(interval) * 1e9)));
    } catch (const std::runtime_error& error) {
        Refuse(where + ": interval", error.what());
    }
    static const RE2 kCount("[0-9]{1,9}");
    const std::string burst = limit["burst"] ? Text(limit["burst"], where + ": burst") : "";
    if (!RE2::FullMatch(burst, kCount) || std::stol(burst) < 1) {
        Refuse(where + ": burst", "must be a whole number of at least 1");
    }
    rate.burst = std::stol(burst);
    config.rateLimit = rate;
}

}  // namespace

WebConfig LoadWebConfig(const std::string& path) {
    try {
        const std::string text = VekProbeClient::ReadRegularFile(path, kMaxFileBytes);
        YAML::Node root;
        try {
            root = YAML::Load(text);
        } catch (const YAML::Exception& error) {
            Refuse(path, "not valid YAML: " + error.msg + " (line " +
                             std::to_string(error.mark.line + 1) + ")");
        }
        WebConfig config;
        config.sources.push_back(path);
        if (root.IsNull()) {
            return config;
        }
        OnlyKeys(root, path,
                 {"tls_server_config", "http_server_config", "basic_auth_users", "rate_limit"});
        const std::size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
        try {
            if (root["tls_server_config"] && !root["tls_server_config"].IsNull()) {
                ReadTls(root["tls_server_config"], folder, config);
            }
            if (root["http_server_config"] && !root["http_server_config"].IsNull()) {
                ReadHttpServer(root["http_server_config"], config);
            }
            if (root["basic_auth_users"]) {
                ReadUsers(root["basic_auth_users"], config);
            }
            if (root["rate_limit"] && !root["rate_limit"].IsNull()) {
                ReadRateLimit(root["rate_limit"], config);
            }
        } catch (const YAML::Exception& error) {
            Refuse(path, error.msg);
        } catch (const std::runtime_error& error) {
            Refuse(path, error.what());
        }
        return config;
    } catch (const YAML::Exception& error) {
        Refuse(path, error.msg);
    }
}

}  // namespace VekExporter
