#include "ssh/HostKeyPins.h"

#include <algorithm>
#include <cstring>

#include "crypto/HostKeyFingerprint.h"
#include "ssh/XHostKeyMismatchError.h"

namespace Ssh {

void HostKeyPins::Verify(LIBSSH2_SESSION* session,
                         const std::vector<HostKeyFingerprint>& expected) {
    if (expected.empty()) {
        return;
    }
    const char* hash = libssh2_hostkey_hash(session, LIBSSH2_HOSTKEY_HASH_SHA256);
    if (hash == nullptr) {
        throw XHostKeyMismatchError("The server's host key could not be read.");
    }
    HostKeyFingerprint presented{};
    std::memcpy(presented.data(), hash, presented.size());
    if (std::find(expected.begin(), expected.end(), presented) == expected.end()) {
        throw XHostKeyMismatchError(
            "Host key " + VekLibrary::Crypto::HostKeyFingerprintText::ToOpenSshText(presented) +
            " is not one of the expected keys.");
    }
}

}  // namespace Ssh
