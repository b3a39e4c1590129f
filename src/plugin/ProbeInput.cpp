#include "plugin/ProbeInput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "crypto/Base64Codec.h"
#include "plugin/XPluginUsageError.h"

namespace VekPlugin {

namespace {

// Larger than any password or private key file.
constexpr std::size_t kMaxSecretFileBytes = 65536;
// The probe's own default for the decoded command length.
constexpr std::size_t kProbeDefaultCommandLength = 1000;

std::string ReadSecretFile(const std::string& path, const std::string& option) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw XPluginUsageError("cannot read " + option + " " + path + ": " + std::strerror(errno));
    }
    std::string text(kMaxSecretFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxSecretFileBytes) {
        Wipe(text);
        throw XPluginUsageError(option + " " + path + " is larger than " +
                                std::to_string(kMaxSecretFileBytes) + " bytes");
    }
    return text;
}

std::string FirstLine(std::string text) {
    const std::size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos) {
        std::fill(text.begin() + static_cast<std::ptrdiff_t>(end), text.end(), '\0');
        text.resize(end);
    }
    return text;
}

std::string ProbeUrl(const PluginOptions& options) {
    const bool ipv6Literal =
        options.hostname.find(':') != std::string::npos && options.hostname.front() != '[';
    const std::string host = ipv6Literal ? "[" + options.hostname + "]" : options.hostname;
    return "qo-ssh://" + host + ":" + std::to_string(options.port);
}

}  // namespace

Credentials::~Credentials() {
    if (password) {
        Wipe(*password);
    }
    if (privateKey) {
        Wipe(*privateKey);
    }
}

void Wipe(std::string& text) {
    volatile char* bytes = text.data();
    for (std::size_t index = 0; index < text.size(); ++index) {
        bytes[index] = '\0';
    }
    text.clear();
}

Credentials ReadCredentials(const PluginOptions& options, const char* environmentPassword) {
    Credentials credentials;
    if (!options.identityFile.empty()) {
        credentials.privateKey = ReadSecretFile(options.identityFile, "-i/--identity-file");
        if (credentials.privateKey->empty()) {
            throw XPluginUsageError("identity file " + options.identityFile + " is empty");
        }
        if (!options.passphraseFile.empty()) {
            credentials.password =
                FirstLine(ReadSecretFile(options.passphraseFile, "--passphrase-file"));
        }
        return credentials;
    }
    if (!options.passwordFile.empty()) {
        credentials.password = FirstLine(ReadSecretFile(options.passwordFile, "--password-file"));
        if (credentials.password->empty()) {
            throw XPluginUsageError("password file " + options.passwordFile +
                                    " holds no password on its first line");
        }
        return credentials;
    }
    if (environmentPassword != nullptr && *environmentPassword != '\0') {
        credentials.password = std::string(environmentPassword);
        return credentials;
    }
    throw XPluginUsageError(
        "no credentials: give --password-file, the environment variable VEK_PASSWORD, or -i");
}

std::string BuildProbeInput(const PluginOptions& options, const Credentials& credentials) {
    nlohmann::json capabilities = {
        {"test.common.url", ProbeUrl(options)},
        {"test.common.use-ipv6", options.ipv6},
        {"common.test.max-step-time", options.timeoutSeconds},
        {"common.test.auth-username", options.logname},
        {"common.test.max-downloads-bytes", kCaptureLimitBytes},
    };
    nlohmann::json settings = {{"DataDirectory", "/tmp/"}};
    if (credentials.password) {
        capabilities["common.test.auth-password"] = *credentials.password;
    }
    if (credentials.privateKey) {
        std::string encoded;
        VekLibrary::Crypto::Base64Codec::Encode(*credentials.privateKey, encoded);
        capabilities["common.test.auth-private-key"] = encoded;
        Wipe(encoded);
    }
    if (!options.hostKeys.empty()) {
        capabilities["qo-ssh.test.host-key-fingerprints"] = options.hostKeys;
    }
    if (options.command) {
        // The shell runs the text as a script: its last line needs a line feed.
        std::string script = *options.command;
        if (script.back() != '\n') {
            script += '\n';
        }
        std::string encoded;
        VekLibrary::Crypto::Base64Codec::Encode(script, encoded);
        capabilities["common.test.send-data-bytes"] = encoded;
        settings["MaxCommandLength"] = std::max(script.size(), kProbeDefaultCommandLength);
    }
    nlohmann::json input = {{"Capabilities", capabilities}, {"Settings", settings}};
    try {
        return input.dump() + "\n";
    } catch (const nlohmann::json::exception&) {
        throw XPluginUsageError("the password, passphrase, key or command is not valid UTF-8");
    }
}

}  // namespace VekPlugin
