#include "ssh/HostKeyPins.h"

#include <algorithm>
#include <cstring>

#include "crypto/Base64Codec.h"
#include "crypto/XCodecError.h"
#include "ssh/XHostKeyMismatchError.h"
#include "stringutils/StringOperations.h"

namespace Ssh {

namespace {

constexpr std::string_view kSha256Prefix = "SHA256:";
// 32 bytes are 43 Base64 characters, or 44 with the one padding character.
constexpr std::size_t kUnpaddedBase64Length = 43;
constexpr std::size_t kHexLength = 64;

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

bool ParseHex(std::string_view text, HostKeyFingerprint& fingerprint) {
    if (text.size() != kHexLength) {
        return false;
    }
    for (std::size_t i = 0; i < fingerprint.size(); ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) {
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
        VekLibrary::Crypto::Base64Codec::Decode(std::string(text) + "=", bytes);
    } catch (const VekLibrary::Crypto::XCodecError&) {
        return false;
    }
    if (bytes.size() != fingerprint.size()) {
        return false;
    }
    std::memcpy(fingerprint.data(), bytes.data(), fingerprint.size());
    return true;
}

bool ParseItem(std::string_view item, HostKeyFingerprint& fingerprint) {
    if (item.substr(0, kSha256Prefix.size()) == kSha256Prefix) {
        return ParseBase64(item.substr(kSha256Prefix.size()), fingerprint);
    }
    return ParseHex(item, fingerprint);
}

}  // namespace

bool HostKeyPins::Parse(std::string_view list, std::vector<HostKeyFingerprint>& pins,
                        std::string& refused) {
    pins.clear();
    std::size_t begin = 0;
    for (;;) {
        const std::size_t comma = list.find(',', begin);
        const std::string item = VekLibrary::StringUtilities::TrimCopy(list.substr(
            begin, comma == std::string_view::npos ? std::string_view::npos : comma - begin));
        HostKeyFingerprint fingerprint{};
        if (!ParseItem(item, fingerprint)) {
            refused = item;
            return false;
        }
        pins.push_back(fingerprint);
        if (comma == std::string_view::npos) {
            return true;
        }
        begin = comma + 1;
    }
}

std::string HostKeyPins::ToOpenSshText(const HostKeyFingerprint& fingerprint) {
    std::string base64;
    VekLibrary::Crypto::Base64Codec::Encode(
        std::vector<unsigned char>(fingerprint.begin(), fingerprint.end()), base64);
    while (!base64.empty() && base64.back() == '=') {
        base64.pop_back();
    }
    return std::string(kSha256Prefix) + base64;
}

void HostKeyPins::Verify(LIBSSH2_SESSION* session,
                         const std::vector<HostKeyFingerprint>& expected) {
    if (expected.empty()) {
        return;
    }
    const char* hash = libssh2_hostkey_hash(session, LIBSSH2_HOSTKEY_HASH_SHA256);
    if (hash == nullptr) {
        throw XHostKeyMismatchError("The server's host key could not be read.");
    }
    HostKeyFingerprint presented{};
    std::memcpy(presented.data(), hash, presented.size());
    if (std::find(expected.begin(), expected.end(), presented) == expected.end()) {
        throw XHostKeyMismatchError("Host key " + ToOpenSshText(presented) +
                                    " is not one of the expected keys.");
    }
}

}  // namespace Ssh
