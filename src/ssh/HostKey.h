#pragma once

#include <libssh2.h>

#include <optional>
#include <vector>

#include "result/SshTestResult.h"
#include "ssh/HostKeyFingerprint.h"

namespace Ssh {

// The server's host key as a session presents it once its handshake has completed:
// the one place that reads it from the library, writes it into the test result and
// checks it against the keys the test expects. The key is read once, when the
// object is made.
class HostKey final {
public:
    explicit HostKey(LIBSSH2_SESSION* session);

    // The SHA-256 fingerprint as 64 lower-case hex digits; nothing when the library
    // has no key.
    void RecordIn(SshTestResult& result) const;
    // Does nothing when `expected` is empty or holds the fingerprint; otherwise
    // throws XHostKeyMismatchError "Host key SHA256:<unpadded base64> is not one of
    // the expected keys.", or "The server's host key could not be read." when the
    // library has none.
    void Verify(const std::vector<HostKeyFingerprint>& expected) const;

private:
    std::optional<HostKeyFingerprint> fingerprint_;
};

}  // namespace Ssh
