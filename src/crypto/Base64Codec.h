#pragma once

#include <string>
#include <vector>

namespace VekLibrary::Crypto {

// Standard Base64 (RFC 4648 alphabet, "=" padding) over OpenSSL's EVP routines.
// Inputs may hold at most 2147483647 bytes. Every failure is an XCodecError.
//
// Encode produces one line without line breaks. Decode accepts what OpenSSL's
// EVP decoder accepts: the standard alphabet, padding only at the end, and
// whitespace or line breaks between characters.
//
// The output argument is always replaced, never appended to. When a decode
// fails, the string form leaves `out` as it was; the vector form has already
// emptied it.
class Base64Codec final {
public:
    Base64Codec() = delete;

    static void Encode(const std::string& in, std::string& out);
    static void Encode(const std::vector<unsigned char>& in, std::string& out);
    static void Decode(const std::string& in, std::string& out);
    static void Decode(const std::string& in, std::vector<unsigned char>& out);
};

}  // namespace VekLibrary::Crypto
