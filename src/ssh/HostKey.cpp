#include "ssh/HostKey.h"

#include <algorithm>
#include <cstring>

#include "crypto/HostKeyFingerprint.h"
#include "ssh/XHostKeyMismatchError.h"

namespace Ssh {

HostKey::HostKey(LIBSSH2_SESSION* session) {
    const char* hash = libssh2_hostkey_hash(session, LIBSSH2_HOSTKEY_HASH_SHA256);
    if (hash != nullptr) {
        fingerprint_.emplace();
        std::memcpy(fingerprint_->data(), hash, fingerprint_->size());
    }
}

void HostKey::RecordIn(SshTestResult& result) const {
    if (fingerprint_) {
        result.SetHostFingerprint(VekLibrary::Crypto::HostKeyFingerprintText::ToHex(*fingerprint_));
    }
}

void HostKey::Verify(const std::vector<HostKeyFingerprint>& expected) const {
    if (expected.empty()) {
        return;
    }
    if (!fingerprint_) {
        throw XHostKeyMismatchError("The server's host key could not be read.");
    }
    if (std::find(expected.begin(), expected.end(), *fingerprint_) == expected.end()) {
        throw XHostKeyMismatchError(
            "Host key " + VekLibrary::Crypto::HostKeyFingerprintText::ToOpenSshText(*fingerprint_) +
            " is not one of the expected keys.");
    }
}

}  // namespace Ssh
