#pragma once

#include "crypto/HostKeyFingerprint.h"

namespace Ssh {

// The SHA-256 digest of a server's host key blob, as OpenSSH fingerprints it.
using HostKeyFingerprint = VekLibrary::Crypto::HostKeyFingerprint;

}  // namespace Ssh
