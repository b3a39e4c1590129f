#include "app/SshTestSessionPolicy.h"

#include <string>

#include "crypto/HostKeyFingerprint.h"

namespace Ssh {

namespace {

const char* EnabledText(bool enabled) {
    return enabled ? "Enabled" : "Disabled";
}

}  // namespace

// Move assignment swaps the old credential into the temporary, which wipes it.
void SshTestSessionPolicy::SetUsername(const std::string& username) {
    username_ = SensitiveString(username);
}

void SshTestSessionPolicy::SetPassword(const std::string& password) {
    password_ = SensitiveString(password);
}

void SshTestSessionPolicy::SetPrivateKey(const std::string& privateKey) {
    privateKey_ = SensitiveString(privateKey);
}

void SshTestSessionPolicy::SetPrivateKeyArgument(const std::string& argument) {
    privateKeyArgument_ = SensitiveString(argument);
}

std::string SshTestSessionPolicy::ToString() const {
    std::string text = "Host: " + hostName_ + ", Port: " + std::to_string(portNumber_) +
                       ", Test ID: " + testId_ +
                       ", Timeout(s): " + std::to_string(testTimeout_.count()) + ", ";
    if (unsecuredMode_) {
        text += "Username: " + username_.GetText() + ", Password: " + password_.GetText();
    } else {
        text += "(Username and Password hidden in secured mode)";
    }
    if (!privateKey_.GetText().empty()) {
        text += ", Private Key: (given)";
    }
    text += ", Commands: " + commands_;
    text += ", Max Download Bytes: " + std::to_string(maxDownloadBytes_);
    text += ", Max Command Length: " + std::to_string(maxCommandLength_);
    text += std::string(", Debug Mode: ") + EnabledText(debugMode_);
    text += std::string(", Unsecured Mode: ") + EnabledText(unsecuredMode_);
    text += ", Data Directory: " + dataDirectory_;
    if (handshakeOnly_) {
        text += ", Handshake Only: Enabled";
    }
    // Fingerprints are public: shown in every mode.
    for (std::size_t i = 0; i < expectedHostKeys_.size(); ++i) {
        text += i == 0 ? ", Expected Host Keys: " : ", ";
        text += VekLibrary::Crypto::HostKeyFingerprintText::ToOpenSshText(expectedHostKeys_[i]);
    }
    if (knownHosts_) {
        text += ", Known Hosts: (given)";
    }
    return text;
}

}  // namespace Ssh
