#pragma once

#include <libssh2.h>

#include <string>
#include <string_view>
#include <vector>

#include "ssh/HostKeyFingerprint.h"

namespace Ssh {

// Expected host keys ("pins"): their two written forms and the comparison with the
// key a server presented. Fingerprints are compared as bytes, so the case of hex
// digits and Base64 padding do not matter.
class HostKeyPins final {
public:
    HostKeyPins() = delete;

    // Parses a comma-separated list whose items are "SHA256:" followed by the Base64
    // of 32 bytes, padded or not (as ssh-keygen -l prints it), or 64 hexadecimal
    // digits in either case; blanks around an item are allowed. On success fills
    // `pins` in list order and returns true. Otherwise returns false with the first
    // refused item, without its surrounding blanks, in `refused` (an empty item, as
    // between two commas, is refused too); `pins` is then unspecified.
    static bool Parse(std::string_view list, std::vector<HostKeyFingerprint>& pins,
                      std::string& refused);

    // "SHA256:" followed by the unpadded Base64 of the digest, as ssh-keygen -l
    // writes it.
    static std::string ToOpenSshText(const HostKeyFingerprint& fingerprint);

    // After a handshake: does nothing when `expected` is empty or holds the SHA-256
    // fingerprint of the session's host key, and otherwise throws
    // XHostKeyMismatchError naming the presented key.
    static void Verify(LIBSSH2_SESSION* session, const std::vector<HostKeyFingerprint>& expected);
};

}  // namespace Ssh
