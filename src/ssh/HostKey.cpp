#include "ssh/HostKey.h"

#include <cstddef>

namespace Ssh {

std::string HostKeySha256Hex(LIBSSH2_SESSION* session) {
    const char* hash = libssh2_hostkey_hash(session, LIBSSH2_HOSTKEY_HASH_SHA256);
    if (hash == nullptr) {
        return "";
    }
    constexpr std::size_t kSha256Bytes = 32;
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(kSha256Bytes * 2);
    for (std::size_t i = 0; i < kSha256Bytes; ++i) {
        const auto byte = static_cast<unsigned char>(hash[i]);
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0x0f]);
    }
    return text;
}

}  // namespace Ssh
