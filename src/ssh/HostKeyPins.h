#pragma once

#include <libssh2.h>

#include <vector>

#include "ssh/HostKeyFingerprint.h"

namespace Ssh {

// Expected host keys ("pins") and their comparison with the key a server
// presented. Their written forms are read by VekLibrary::Crypto::HostKeyFingerprintText.
class HostKeyPins final {
public:
    HostKeyPins() = delete;

    // After a handshake: does nothing when `expected` is empty or holds the SHA-256
    // fingerprint of the session's host key, and otherwise throws
    // XHostKeyMismatchError naming the presented key.
    static void Verify(LIBSSH2_SESSION* session, const std::vector<HostKeyFingerprint>& expected);
};

}  // namespace Ssh
