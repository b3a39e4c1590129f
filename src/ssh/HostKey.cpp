#include "ssh/HostKey.h"

#include <algorithm>
#include <cstring>

#include "crypto/HostKeyFingerprint.h"
#include "ssh/XHostKeyMismatchError.h"
#include "ssh/XHostKeyUnknownError.h"

namespace Ssh {

namespace {

using VekLibrary::Trust::HostKeyStandingEnum;

}  // namespace

HostKey::HostKey(LIBSSH2_SESSION* session) {
    const char* hash = libssh2_hostkey_hash(session, LIBSSH2_HOSTKEY_HASH_SHA256);
    std::size_t length = 0;
    int type = 0;
    const char* blob = libssh2_session_hostkey(session, &length, &type);
    if (hash != nullptr && blob != nullptr) {
        fingerprint_.emplace();
        std::memcpy(fingerprint_->data(), hash, fingerprint_->size());
        blob_.assign(blob, length);
    }
}

void HostKey::RecordIn(SshTestResult& result) const {
    if (fingerprint_) {
        result.SetHostFingerprint(VekLibrary::Crypto::HostKeyFingerprintText::ToHex(*fingerprint_));
    }
}

void HostKey::Verify(const std::vector<HostKeyFingerprint>& pins,
                     const VekLibrary::Trust::KnownHosts* knownHosts,
                     const std::string& name) const {
    if (pins.empty() && knownHosts == nullptr) {
        return;
    }
    if (!fingerprint_) {
        throw XHostKeyMismatchError("The server's host key could not be read.");
    }
    const std::string presented =
        "Host key " + VekLibrary::Crypto::HostKeyFingerprintText::ToOpenSshText(*fingerprint_);
    const HostKeyStandingEnum standing =
        knownHosts != nullptr ? knownHosts->Check(name, blob_) : HostKeyStandingEnum::Unknown;
    if (standing == HostKeyStandingEnum::Revoked) {
        throw XHostKeyMismatchError(presented + " is revoked.");
    }
    if (standing == HostKeyStandingEnum::Listed ||
        std::find(pins.begin(), pins.end(), *fingerprint_) != pins.end()) {
        return;
    }
    if (standing == HostKeyStandingEnum::Unknown && pins.empty()) {
        throw XHostKeyUnknownError("The known hosts list no key for " + name + ".");
    }
    throw XHostKeyMismatchError(presented + " is not one of the expected keys.");
}

}  // namespace Ssh
