#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/VekConstants.h"
#include "domain/SensitiveString.h"
#include "ssh/HostKeyFingerprint.h"

namespace Ssh {

// One validated test input. The credentials are SensitiveStrings, so they are
// wiped when the policy dies. Filled by SshTestSessionPolicyFactory; read by the
// test session. A new policy holds the defaults of VekConstants.
class SshTestSessionPolicy final {
public:
    using SensitiveString = VekLibrary::VekDomain::SensitiveString;

    const std::string& GetTestId() const { return testId_; }
    void SetTestId(const std::string& testId) { testId_ = testId; }
    const SensitiveString& GetUsername() const { return username_; }
    // Copies through a temporary SensitiveString, so no unwiped copy stays behind.
    void SetUsername(const std::string& username);
    // With a private key, the password is the key's passphrase and is never sent.
    const SensitiveString& GetPassword() const { return password_; }
    void SetPassword(const std::string& password);
    // The decoded key file text; empty for password authentication.
    const SensitiveString& GetPrivateKey() const { return privateKey_; }
    void SetPrivateKey(const std::string& privateKey);
    // The key as given on the command line (Base64), kept only to overwrite it there.
    const SensitiveString& GetPrivateKeyArgument() const { return privateKeyArgument_; }
    void SetPrivateKeyArgument(const std::string& argument);
    // The decoded command text.
    const std::string& GetCommands() const { return commands_; }
    void SetCommands(const std::string& commands) { commands_ = commands; }
    const std::string& GetHostName() const { return hostName_; }
    void SetHostName(const std::string& hostName) { hostName_ = hostName; }
    unsigned short GetPortNumber() const { return portNumber_; }
    void SetPortNumber(unsigned short portNumber) { portNumber_ = portNumber; }
    bool IsIpv6Enabled() const { return ipv6Enabled_; }
    void SetIpv6ModeStatus(bool enabled) { ipv6Enabled_ = enabled; }
    // 9223372036854775807 s stands for "no limit".
    std::chrono::seconds GetTestTimeout() const { return testTimeout_; }
    void SetTestTimeout(std::chrono::seconds timeout) { testTimeout_ = timeout; }
    unsigned long GetMaxDownloadBytes() const { return maxDownloadBytes_; }
    void SetMaxDownloadBytes(unsigned long bytes) { maxDownloadBytes_ = bytes; }
    unsigned long GetMaxCommandLength() const { return maxCommandLength_; }
    void SetMaxCommandLength(unsigned long length) { maxCommandLength_ = length; }
    const std::string& GetDataDirectory() const { return dataDirectory_; }
    void SetDataDirectory(const std::string& directory) { dataDirectory_ = directory; }
    bool IsDebugModeEnabled() const { return debugMode_; }
    void SetDebugModeStatus(bool enabled) { debugMode_ = enabled; }
    bool IsUnsecuredModeEnabled() const { return unsecuredMode_; }
    void SetUnsecuredModeStatus(bool enabled) { unsecuredMode_ = enabled; }
    // The test ends after the handshake; no credential is sent.
    bool IsHandshakeOnly() const { return handshakeOnly_; }
    void SetHandshakeOnly(bool enabled) { handshakeOnly_ = enabled; }
    // The host keys the server may present; empty accepts any.
    const std::vector<HostKeyFingerprint>& GetExpectedHostKeys() const { return expectedHostKeys_; }
    void SetExpectedHostKeys(const std::vector<HostKeyFingerprint>& fingerprints) {
        expectedHostKeys_ = fingerprints;
    }
    // The decoded known_hosts text; none trusts any key unless pins are set.
    const std::optional<std::string>& GetKnownHosts() const { return knownHosts_; }
    void SetKnownHosts(const std::string& knownHosts) { knownHosts_ = knownHosts; }

    // One line describing the input; the user name and password only in unsecured
    // mode, the private key in no mode (only that one was given).
    std::string ToString() const;

private:
    std::string testId_;
    SensitiveString username_;
    SensitiveString password_;
    SensitiveString privateKey_;
    SensitiveString privateKeyArgument_;
    std::string commands_;
    std::string hostName_;
    unsigned short portNumber_ = VekConstants::DefaultSshPort;
    bool ipv6Enabled_ = VekConstants::DefaultUseIpv6;
    std::chrono::seconds testTimeout_{VekConstants::DefaultTestTimeout};
    unsigned long maxDownloadBytes_ = VekConstants::DefaultDownloadBytesLimit;
    unsigned long maxCommandLength_ = VekConstants::DefaultAllowedCommandsLength;
    std::string dataDirectory_ = VekConstants::DefaultDataDirectoryPath;
    bool debugMode_ = VekConstants::DefaultDebugMode;
    bool unsecuredMode_ = VekConstants::DefaultUnsecuredMode;
    bool handshakeOnly_ = VekConstants::DefaultHandshakeOnly;
    std::vector<HostKeyFingerprint> expectedHostKeys_;
    std::optional<std::string> knownHosts_;
};

}  // namespace Ssh
