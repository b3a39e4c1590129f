#include "exporter/ConfigLoader.h"

#include <re2/re2.h>
#include <yaml-cpp/yaml.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include "crypto/HostKeyFingerprint.h"
#include "probeclient/ProbeInput.h"
#include "probeclient/SecretFile.h"

namespace VekExporter {

namespace {

const std::set<std::string> kModuleKeys = {
    "username",         "password",           "password_file",
    "private_key_file", "passphrase_file",    "host_key_fingerprints",
    "command",          "max_output_bytes",   "ipv6",
    "timeout",          "output_metric_regex"};

[[noreturn]] void Refuse(const std::string& module, const std::string& reason) {
    throw std::runtime_error("module \"" + module + "\": " + reason);
}

std::string Scalar(const YAML::Node& node, const std::string& module, const std::string& key) {
    if (!node.IsScalar()) {
        Refuse(module, key + " must be a single value");
    }
    return node.as<std::string>();
}

std::string NonEmptyScalar(const YAML::Node& node, const std::string& module,
                           const std::string& key) {
    std::string value = Scalar(node, module, key);
    if (value.empty()) {
        Refuse(module, key + " is empty");
    }
    return value;
}

using VekLibrary::VekDomain::SensitiveString;

SensitiveString Secret(const YAML::Node& node, const std::string& module, const std::string& key) {
    const std::string path = NonEmptyScalar(node, module, key);
    try {
        return VekProbeClient::ReadSecretFile(path);
    } catch (const std::runtime_error& error) {
        Refuse(module, key + " " + error.what());
    }
}

// The probe takes only UTF-8 texts; saying so here beats a failure at each scrape.
void RequireUtf8(const std::string& text, const std::string& module, const std::string& key) {
    try {
        VekProbeClient::RequireUtf8(text, key);
    } catch (const std::invalid_argument& error) {
        Refuse(module, error.what());
    }
}

void ReadCredentials(const YAML::Node& node, ModuleConfig& module) {
    const std::string& name = module.name;
    if (!node["username"]) {
        // Without a user the module only runs the handshake: nothing to log in with.
        for (const char* key :
             {"password", "password_file", "private_key_file", "passphrase_file", "command"}) {
            if (node[key]) {
                Refuse(name, std::string(key) +
                                 " needs username (a module without username runs the "
                                 "handshake only)");
            }
        }
        return;
    }
    module.credentials.username = NonEmptyScalar(node["username"], name, "username");
    const int ways = (node["password"] ? 1 : 0) + (node["password_file"] ? 1 : 0) +
                     (node["private_key_file"] ? 1 : 0);
    if (ways != 1) {
        Refuse(name, "give exactly one of password, password_file and private_key_file");
    }
    if (node["passphrase_file"] && !node["private_key_file"]) {
        Refuse(name, "passphrase_file needs private_key_file");
    }
    ModuleCredentials& credentials = module.credentials;
    if (node["password"]) {
        credentials.password = NonEmptyScalar(node["password"], name, "password");
    }
    if (node["password_file"]) {
        credentials.password = Secret(node["password_file"], name, "password_file");
        if (credentials.password->GetText().empty()) {
            Refuse(name, "password_file " + node["password_file"].as<std::string>() + " is empty");
        }
    }
    if (node["private_key_file"]) {
        credentials.privateKey = Secret(node["private_key_file"], name, "private_key_file");
        if (credentials.privateKey->GetText().find("PRIVATE KEY-----") == std::string::npos) {
            Refuse(name, "private_key_file " + node["private_key_file"].as<std::string>() +
                             " holds no private key");
        }
    }
    if (node["passphrase_file"]) {
        credentials.passphrase = Secret(node["passphrase_file"], name, "passphrase_file");
    }
    RequireUtf8(credentials.username, name, "username");
    for (const auto& [secret, key] : {std::pair{&credentials.password, "password"},
                                      {&credentials.privateKey, "private_key_file"},
                                      {&credentials.passphrase, "passphrase_file"}}) {
        if (*secret) {
            RequireUtf8((*secret)->GetText(), name, key);
        }
    }
}

void ReadFingerprints(const YAML::Node& node, ModuleConfig& module) {
    if (!node) {
        return;
    }
    if (!node.IsSequence()) {
        Refuse(module.name, "host_key_fingerprints must be a list");
    }
    for (const YAML::Node& item : node) {
        const std::string text = Scalar(item, module.name, "host_key_fingerprints");
        VekLibrary::Crypto::HostKeyFingerprint fingerprint{};
        if (!VekLibrary::Crypto::HostKeyFingerprintText::Parse(text, fingerprint)) {
            Refuse(module.name, "host key fingerprint \"" + text +
                                    "\" is none of SHA256:<base64>, 64 hexadecimal digits and "
                                    "32 colon-separated hexadecimal pairs");
        }
        module.hostKeyFingerprints.push_back(fingerprint);
    }
}

void ReadOptions(const YAML::Node& node, ModuleConfig& module) {
    const std::string& name = module.name;
    if (node["command"]) {
        module.command = Scalar(node["command"], name, "command");
        RequireUtf8(module.command, name, "command");
    }
    if (node["max_output_bytes"]) {
        const std::string text = Scalar(node["max_output_bytes"], name, "max_output_bytes");
        static const RE2 kCount("[0-9]{1,18}");
        if (!RE2::FullMatch(text, kCount)) {
            Refuse(name, "max_output_bytes must be a whole number of bytes, not \"" + text + "\"");
        }
        module.maxOutputBytes = std::stoll(text);
    }
    if (node["ipv6"]) {
        const std::string text = Scalar(node["ipv6"], name, "ipv6");
        if (text != "true" && text != "false") {
            Refuse(name, "ipv6 must be true or false, not \"" + text + "\"");
        }
        module.ipv6 = text == "true";
    }
    if (node["timeout"]) {
        const std::string text = Scalar(node["timeout"], name, "timeout");
        try {
            module.timeoutSeconds = ParseDurationSeconds(text);
        } catch (const std::exception& error) {
            Refuse(name, std::string("timeout: ") + error.what());
        }
    }
    if (node["output_metric_regex"]) {
        const std::string text =
            NonEmptyScalar(node["output_metric_regex"], name, "output_metric_regex");
        try {
            module.outputMetricRegex = std::make_shared<const VekProbeClient::OutputPattern>(
                text, VekProbeClient::OutputPattern::SyntaxEnum::Re2);
        } catch (const std::invalid_argument& error) {
            Refuse(name, "output_metric_regex does not compile: " + std::string(error.what()));
        }
        if (module.outputMetricRegex->CaptureGroups() != 1) {
            Refuse(name, "output_metric_regex must have exactly one capture group");
        }
    }
}

ModuleConfig ReadModule(const std::string& name, const YAML::Node& node) {
    if (!node.IsMap()) {
        Refuse(name, "must be a mapping of settings");
    }
    for (const auto& entry : node) {
        const std::string key = entry.first.as<std::string>();
        if (kModuleKeys.count(key) == 0 && !IsTrustSetting(key)) {
            Refuse(name, "unknown key \"" + key + "\"");
        }
    }
    ModuleConfig module;
    module.name = name;
    ReadCredentials(node, module);
    ReadFingerprints(node["host_key_fingerprints"], module);
    ReadOptions(node, module);
    const ModuleCredentials& credentials = module.credentials;
    try {
        module.trust = ReadModuleTrust(
            node, credentials.password || credentials.privateKey || credentials.passphrase,
            !module.hostKeyFingerprints.empty());
    } catch (const std::runtime_error& error) {
        Refuse(name, error.what());
    }
    return module;
}

}  // namespace

double ParseDurationSeconds(const std::string& text) {
    static const RE2 kDuration("([0-9]+(?:\\.[0-9]+)?)(ms|s|m|h)?");
    std::string digits;
    std::string unit;
    if (!RE2::FullMatch(text, kDuration, &digits, &unit)) {
        throw std::runtime_error("\"" + text + "\" is not a duration such as 10s, 1500ms or 2.5");
    }
    const double number = std::strtod(digits.c_str(), nullptr);
    const double seconds = unit == "ms"  ? number / 1000
                           : unit == "m" ? number * 60
                           : unit == "h" ? number * 3600
                                         : number;
    if (!(seconds > 0) || !std::isfinite(seconds)) {
        throw std::runtime_error("\"" + text + "\" must be above zero");
    }
    return seconds;
}

ExporterConfig ParseExporterConfig(const std::string& yamlText, const std::string& origin) {
    try {
        YAML::Node root;
        try {
            root = YAML::Load(yamlText);
        } catch (const YAML::Exception& error) {
            throw std::runtime_error("not valid YAML: " + error.msg + " (line " +
                                     std::to_string(error.mark.line + 1) + ")");
        }
        if (!root.IsMap() || !root["modules"] || !root["modules"].IsMap()) {
            throw std::runtime_error("expected a mapping \"modules\" of module names to settings");
        }
        for (const auto& entry : root) {
            if (entry.first.as<std::string>() != "modules") {
                throw std::runtime_error("unknown key \"" + entry.first.as<std::string>() + "\"");
            }
        }
        ExporterConfig config;
        for (const auto& entry : root["modules"]) {
            const std::string name = entry.first.as<std::string>();
            config.modules.emplace(name, ReadModule(name, entry.second));
        }
        return config;
    } catch (const YAML::Exception& error) {
        throw std::runtime_error(origin + ": " + error.msg);
    } catch (const std::exception& error) {
        throw std::runtime_error(origin + ": " + error.what());
    }
}

ExporterConfig LoadExporterConfig(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error(path + ": cannot be read");
    }
    std::ostringstream text;
    text << file.rdbuf();
    return ParseExporterConfig(text.str(), path);
}

}  // namespace VekExporter
