#pragma once

#include <libssh2.h>

#include <string>

namespace Ssh {

// The SHA-256 fingerprint of the server's host key on a session whose handshake
// has completed, as lower-case hex; empty when the library has none.
std::string HostKeySha256Hex(LIBSSH2_SESSION* session);

}  // namespace Ssh
