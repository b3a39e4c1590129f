#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace VekLibrary::Crypto {

// The SHA-256 digest of a server's host key blob, as OpenSSH fingerprints it.
using HostKeyFingerprint = std::array<unsigned char, 32>;

// The written forms of a host key fingerprint, shared by the probe and the
// programs that run it, so that all of them accept the same texts. Fingerprints
// are read as bytes: the case of hex digits and Base64 padding do not matter.
class HostKeyFingerprintText final {
public:
    HostKeyFingerprintText() = delete;

    // One fingerprint: "SHA256:" followed by the Base64 of 32 bytes, padded or not
    // (as ssh-keygen -l prints it), 64 hexadecimal digits, or 32 pairs of
    // hexadecimal digits separated by colons; hex digits in either case. Nothing
    // else, not even blanks around it. Returns false when `text` is none of these.
    static bool Parse(std::string_view text, HostKeyFingerprint& fingerprint);

    // A comma-separated list of them; blanks around an item are allowed. On success
    // fills `fingerprints` in list order and returns true. Otherwise returns false
    // with the first refused item, without its surrounding blanks, in `refused` (an
    // empty item, as between two commas, is refused too); `fingerprints` is then
    // unspecified.
    static bool ParseList(std::string_view list, std::vector<HostKeyFingerprint>& fingerprints,
                          std::string& refused);

    // "SHA256:" followed by the unpadded Base64 of the digest, as ssh-keygen -l
    // writes it.
    static std::string ToOpenSshText(const HostKeyFingerprint& fingerprint);

    // 64 lower-case hexadecimal digits.
    static std::string ToHex(const HostKeyFingerprint& fingerprint);
};

}  // namespace VekLibrary::Crypto
