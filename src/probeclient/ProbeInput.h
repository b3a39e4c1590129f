#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/HostKeyFingerprint.h"
#include "domain/SensitiveString.h"

namespace VekProbeClient {

// One test as the programs that run the probe ask for it, in typed fields. The
// probe's own defaults apply to what is left empty.
struct ProbeInput {
    // The probe's URL, "[qo-ssh://]host[:port]".
    std::string url;
    bool ipv6 = false;
    // Empty: none; the probe then logs without a test id.
    std::string testId;
    // The test's budget in whole seconds, at least 1.
    long timeoutSeconds = 1;
    // Ends the test after the handshake; the user name and credentials are then
    // left out of the input.
    bool handshakeOnly = false;
    std::string username;
    // The password; with a private key, the key's passphrase (may then be empty).
    std::optional<VekLibrary::VekDomain::SensitiveString> password;
    // The private key file's text.
    std::optional<VekLibrary::VekDomain::SensitiveString> privateKey;
    // Empty: any host key.
    std::vector<VekLibrary::Crypto::HostKeyFingerprint> hostKeys;
    // An OpenSSH known_hosts text; none: only hostKeys decide. An empty text lists
    // no host, so every key is unknown.
    std::optional<std::string> knownHosts;
    // The text fed to the remote shell; empty runs no command. A line feed is
    // added when it does not end with one, so that the shell runs its last line.
    std::string command;
    std::optional<long long> maxOutputBytes;
};

// The one JSON line, line feed included, that the probe reads on its standard
// input for `input`. It holds the credentials: hand it to the probe's standard
// input only. Every intermediate buffer that held a credential is wiped, and the
// line itself is wiped when the returned object is destroyed. Throws
// std::invalid_argument when a text is not valid UTF-8; the message names the
// field ("the password is not valid UTF-8"), never its value.
VekLibrary::VekDomain::SensitiveString BuildProbeInputLine(const ProbeInput& input);

// Throws std::invalid_argument "<what> is not valid UTF-8" unless `text` is.
void RequireUtf8(std::string_view text, const std::string& what);

}  // namespace VekProbeClient
