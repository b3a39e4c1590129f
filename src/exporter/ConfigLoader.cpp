#include "exporter/ConfigLoader.h"

#include <yaml-cpp/yaml.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

#include "exporter/SecretFile.h"

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

std::string Secret(const std::string& path, bool trimLineEnd, const std::string& module) {
    try {
        return ReadSecretFile(path, trimLineEnd);
    } catch (const std::runtime_error& error) {
        Refuse(module, error.what());
    }
}

bool IsFingerprint(const std::string& text) {
    static const std::regex kSha256("SHA256:[A-Za-z0-9+/]{43}=?");
    static const std::regex kHex("[0-9A-Fa-f]{64}");
    return std::regex_match(text, kSha256) || std::regex_match(text, kHex);
}

void ReadCredentials(const YAML::Node& node, ModuleConfig& module) {
    const std::string& name = module.name;
    if (!node["username"]) {
        Refuse(name, "username is missing");
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
    if (node["password"]) {
        module.credentials.password = NonEmptyScalar(node["password"], name, "password");
    }
    if (node["password_file"]) {
        const std::string path = NonEmptyScalar(node["password_file"], name, "password_file");
        module.credentials.password = Secret(path, true, name);
        if (module.credentials.password->empty()) {
            Refuse(name, "password_file " + path + " is empty");
        }
    }
    if (node["private_key_file"]) {
        const std::string path = NonEmptyScalar(node["private_key_file"], name, "private_key_file");
        module.credentials.privateKey = Secret(path, false, name);
        if (module.credentials.privateKey->find("PRIVATE KEY-----") == std::string::npos) {
            Refuse(name, "private_key_file " + path + " holds no private key");
        }
    }
    if (node["passphrase_file"]) {
        const std::string path = NonEmptyScalar(node["passphrase_file"], name, "passphrase_file");
        module.credentials.passphrase = Secret(path, true, name);
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
        const std::string fingerprint = Scalar(item, module.name, "host_key_fingerprints");
        if (!IsFingerprint(fingerprint)) {
            Refuse(module.name, "host key fingerprint \"" + fingerprint +
                                    "\" is neither SHA256:<base64> nor 64 hexadecimal digits");
        }
        module.hostKeyFingerprints.push_back(fingerprint);
    }
}

void ReadOptions(const YAML::Node& node, ModuleConfig& module) {
    const std::string& name = module.name;
    if (node["command"]) {
        module.command = Scalar(node["command"], name, "command");
    }
    if (node["max_output_bytes"]) {
        const std::string text = Scalar(node["max_output_bytes"], name, "max_output_bytes");
        static const std::regex kCount("[0-9]{1,18}");
        if (!std::regex_match(text, kCount)) {
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
        std::shared_ptr<std::regex> compiled;
        try {
            compiled = std::make_shared<std::regex>(text, std::regex::ECMAScript);
        } catch (const std::regex_error& error) {
            Refuse(name, "output_metric_regex does not compile: " + std::string(error.what()));
        }
        if (compiled->mark_count() != 1) {
            Refuse(name, "output_metric_regex must have exactly one capture group");
        }
        module.outputMetricRegexText = text;
        module.outputMetricRegex = std::move(compiled);
    }
}

ModuleConfig ReadModule(const std::string& name, const YAML::Node& node) {
    if (!node.IsMap()) {
        Refuse(name, "must be a mapping of settings");
    }
    for (const auto& entry : node) {
        const std::string key = entry.first.as<std::string>();
        if (kModuleKeys.count(key) == 0) {
            Refuse(name, "unknown key \"" + key + "\"");
        }
    }
    ModuleConfig module;
    module.name = name;
    ReadCredentials(node, module);
    ReadFingerprints(node["host_key_fingerprints"], module);
    ReadOptions(node, module);
    return module;
}

}  // namespace

double ParseDurationSeconds(const std::string& text) {
    static const std::regex kDuration("([0-9]+(\\.[0-9]+)?)(ms|s|m|h)?");
    std::smatch match;
    if (!std::regex_match(text, match, kDuration)) {
        throw std::runtime_error("\"" + text + "\" is not a duration such as 10s, 1500ms or 2.5");
    }
    const double number = std::strtod(match[1].str().c_str(), nullptr);
    const std::string unit = match[3].str();
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
        if (config.modules.empty()) {
            throw std::runtime_error("no module is defined");
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
