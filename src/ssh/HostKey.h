#pragma once

#include <libssh2.h>

#include <optional>
#include <string>
#include <vector>

#include "result/SshTestResult.h"
#include "ssh/HostKeyFingerprint.h"
#include "trust/KnownHosts.h"

namespace Ssh {

// The server's host key as a session presents it once its handshake has completed:
// the one place that reads it from the library, writes it into the test result and
// checks it against the keys the test trusts. The key is read once, when the
// object is made.
class HostKey final {
public:
    explicit HostKey(LIBSSH2_SESSION* session);

    // The SHA-256 fingerprint as 64 lower-case hex digits; nothing when the library
    // has no key.
    void RecordIn(SshTestResult& result) const;
    // Does nothing when the test trusts any key (no pins and no known hosts), or
    // when a pin or a line of the known hosts for `name` lists the key and no
    // @revoked line does. Otherwise throws XHostKeyMismatchError "Host key
    // SHA256:<unpadded base64> is revoked.", or "... is not one of the expected
    // keys." (listed neither by a pin nor for `name`, or "The server's host key
    // could not be read." when the library has none), or, with known hosts and
    // no pins, XHostKeyUnknownError "The known hosts list no key for <name>." when
    // no line names `name`.
    void Verify(const std::vector<HostKeyFingerprint>& pins,
                const VekLibrary::Trust::KnownHosts* knownHosts, const std::string& name) const;

private:
    std::optional<HostKeyFingerprint> fingerprint_;
    std::string blob_;
};

}  // namespace Ssh
