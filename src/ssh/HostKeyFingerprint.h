#pragma once

#include <array>

namespace Ssh {

// The SHA-256 digest of a server's host key blob, as OpenSSH fingerprints it.
using HostKeyFingerprint = std::array<unsigned char, 32>;

}  // namespace Ssh
