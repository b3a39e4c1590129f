#include "crypto/HostKeyFingerprint.h"

#include <algorithm>
#include <cstring>

#include "crypto/Base64Codec.h"
#include "crypto/XCodecError.h"
#include "stringutils/StringOperations.h"

namespace VekLibrary::Crypto {

namespace {

constexpr std::string_view kSha256Prefix = "SHA256:";
// 32 bytes are 43 Base64 characters, or 44 with the one padding character.
constexpr std::size_t kUnpaddedBase64Length = 43;
constexpr std::size_t kDigestBytes = std::tuple_size<HostKeyFingerprint>::value;
constexpr char kHexDigits[] = "0123456789abcdef";

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool IsBase64Character(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

// Byte i of the digest is at `i * stride`, its two digits side by side; with a
// stride of 3 a colon stands between two bytes.
bool ParseHex(std::string_view text, std::size_t stride, HostKeyFingerprint& fingerprint) {
    if (text.size() != kDigestBytes * stride - (stride - 2)) {
        return false;
    }
    for (std::size_t i = 0; i < kDigestBytes; ++i) {
        const std::size_t at = i * stride;
        const int high = HexValue(text[at]);
        const int low = HexValue(text[at + 1]);
        if (high < 0 || low < 0 || (stride == 3 && i + 1 < kDigestBytes && text[at + 2] != ':')) {
            return false;
        }
        fingerprint[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return true;
}

// The characters are checked here: the decoder would also let blanks and line
// breaks through.
bool ParseBase64(std::string_view text, HostKeyFingerprint& fingerprint) {
    if (text.size() == kUnpaddedBase64Length + 1 && text.back() == '=') {
        text.remove_suffix(1);
    }
    if (text.size() != kUnpaddedBase64Length ||
        !std::all_of(text.begin(), text.end(), IsBase64Character)) {
        return false;
    }
    std::string bytes;
    try {
        Base64Codec::Decode(std::string(text) + "=", bytes);
    } catch (const XCodecError&) {
        return false;
    }
    if (bytes.size() != fingerprint.size()) {
        return false;
    }
    std::memcpy(fingerprint.data(), bytes.data(), fingerprint.size());
    return true;
}

}  // namespace

bool HostKeyFingerprintText::Parse(std::string_view text, HostKeyFingerprint& fingerprint) {
    if (text.substr(0, kSha256Prefix.size()) == kSha256Prefix) {
        return ParseBase64(text.substr(kSha256Prefix.size()), fingerprint);
    }
    return ParseHex(text, 2, fingerprint) || ParseHex(text, 3, fingerprint);
}

bool HostKeyFingerprintText::ParseList(std::string_view list,
                                       std::vector<HostKeyFingerprint>& fingerprints,
                                       std::string& refused) {
    fingerprints.clear();
    std::size_t begin = 0;
    for (;;) {
        const std::size_t comma = list.find(',', begin);
        const std::string item = StringUtilities::TrimCopy(list.substr(
            begin, comma == std::string_view::npos ? std::string_view::npos : comma - begin));
        HostKeyFingerprint fingerprint{};
        if (!Parse(item, fingerprint)) {
            refused = item;
            return false;
        }
        fingerprints.push_back(fingerprint);
        if (comma == std::string_view::npos) {
            return true;
        }
        begin = comma + 1;
    }
}

std::string HostKeyFingerprintText::ToOpenSshText(const HostKeyFingerprint& fingerprint) {
    std::string base64;
    Base64Codec::Encode(std::vector<unsigned char>(fingerprint.begin(), fingerprint.end()), base64);
    while (!base64.empty() && base64.back() == '=') {
        base64.pop_back();
    }
    return std::string(kSha256Prefix) + base64;
}

std::string HostKeyFingerprintText::ToHex(const HostKeyFingerprint& fingerprint) {
    std::string hex;
    hex.reserve(2 * fingerprint.size());
    for (const unsigned char byte : fingerprint) {
        hex += kHexDigits[byte >> 4];
        hex += kHexDigits[byte & 0x0f];
    }
    return hex;
}

}  // namespace VekLibrary::Crypto
