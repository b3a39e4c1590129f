#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "networking/AddressFamilyEnum.h"
#include "result/SshTestResult.h"
#include "ssh/HostKeyFingerprint.h"

namespace Ssh {

// One SSH test against one host: Connect, then AuthenticateUser, then
// ExecuteCommands, then GetResults once. The client owns the connection and the
// result it fills until GetResults hands the result over.
//
// Every timeout is a budget in milliseconds of 1..2147483647 (anything else is an
// XBrokenInvariantsError); each stage returns the milliseconds left of its budget,
// which may be 0 or negative when the stage used it up. A failing stage records an
// error key and details in the result and then raises XSshClientError or
// XLibssh2Error.
class ISshClient {
public:
    virtual ~ISshClient() = default;

    // Name resolution, TCP connection and SSH handshake. The server's KEXINIT
    // name-lists are recorded the moment they arrive, so a handshake that fails
    // after them still reports them. Nothing of the user is sent: a test may end
    // here (the handshake-only mode).
    virtual std::int64_t Connect(const std::string& host, unsigned short port,
                                 VekLibrary::Networking::AddressFamilyEnum family,
                                 std::int64_t timeout) = 0;
    // Password authentication on the connected session.
    virtual std::int64_t AuthenticateUser(const std::string& userName, const std::string& password,
                                          std::int64_t timeout) = 0;
    // Feeds `commands` to a remote shell's standard input and captures its standard
    // output up to about `maximumBytes`. An empty text sends nothing and returns the
    // whole timeout.
    virtual std::int64_t ExecuteCommands(const std::string& commands, unsigned long maximumBytes,
                                         std::int64_t timeout) = 0;
    // Moves the result out; afterwards the client holds none (null on a second call).
    virtual std::unique_ptr<SshTestResult> GetResults() = 0;
    // Either flag turns on the SSH library's key exchange, authentication, error and
    // public key tracing for handshakes started afterwards; both false changes nothing.
    virtual void SetLoggingHints(bool debug, bool traceLibssh2) = 0;
    // The host keys to accept, for handshakes started afterwards; none (the default)
    // accepts any. With some set, Connect raises "SshClient host key mismatch - "
    // and records the key host-key-mismatch, before anything of the credentials is
    // sent, when the server's SHA-256 host key fingerprint is none of them.
    virtual void SetExpectedHostKeys(const std::vector<HostKeyFingerprint>& fingerprints) = 0;
    // An OpenSSH known_hosts text to trust, for handshakes started afterwards (see
    // VekLibrary::Trust::KnownHosts); none (the default) trusts any key unless pins
    // are set. With one set, Connect looks the server's key up under the host, in
    // lower case, or "[host]:port" for a port other than 22, and, before anything of
    // the credentials is sent, raises "SshClient host key unknown - " and records
    // host-key-unknown when no line names it (and no pin is set), or raises
    // "SshClient host key mismatch - " and records host-key-mismatch when neither a
    // pin nor a line for the name lists the key, or when an @revoked line lists it.
    // Logs at Debug how many lines it read and skipped.
    virtual void SetKnownHosts(const std::string& knownHosts) = 0;
    // A private key's file text (OpenSSH or PEM) for AuthenticateUser, which then
    // offers only that key, with the password as its passphrase (empty: none).
    // Empty (the default) means password authentication, or keyboard-interactive
    // answered with the password when the server does not offer "password". The
    // client keeps its copy wiped-on-release.
    virtual void SetPrivateKey(const std::string& privateKey) = 0;
};

}  // namespace Ssh
