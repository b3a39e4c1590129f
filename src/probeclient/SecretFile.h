#pragma once

#include <cstddef>
#include <string>

#include "domain/SensitiveString.h"

namespace VekProbeClient {

// The most a secret file may hold: far more than any password or private key.
inline constexpr std::size_t kMaxSecretFileBytes = 64 * 1024;

// Reads a file that holds a secret (a password, a passphrase, a private key) by the
// one rule of every program that runs the probe:
// - it is opened without blocking, so a FIFO or a device cannot hang the caller,
//   and anything but a regular file is refused;
// - a file that its group or others may access is refused, as OpenSSH refuses such
//   a private key: the secret has already leaked to other accounts;
// - at most kMaxSecretFileBytes;
// - the secret is the whole content less one trailing line end ("\n" or "\r\n"),
//   which editors add.
// Throws std::runtime_error whose text starts with the path and says what is
// wrong and what to do; it never holds any of the file's content. Every buffer
// that held the content is wiped.
VekLibrary::VekDomain::SensitiveString ReadSecretFile(const std::string& path);

// The same checks without the one on the mode, for files that are not secret:
// the whole content of a regular file of at most `maxBytes`.
std::string ReadRegularFile(const std::string& path, std::size_t maxBytes);

// The most a known_hosts file may hold: 10,000 hashed lines of 4096-bit RSA keys
// take about 8 MiB.
inline constexpr std::size_t kMaxKnownHostsFileBytes = 32 * 1024 * 1024;

// Overwrites every byte the string's buffer holds, in a way the compiler keeps,
// then empties it.
void WipeText(std::string& text);

}  // namespace VekProbeClient
