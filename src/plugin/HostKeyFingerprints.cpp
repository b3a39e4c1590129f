#include "plugin/HostKeyFingerprints.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "crypto/Base64Codec.h"
#include "plugin/XPluginUsageError.h"

namespace VekPlugin {

namespace {

constexpr std::size_t kDigestBytes = 32;
const std::string kSha256Prefix = "SHA256:";

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool FromBase64(const std::string& encoded, std::string& hex) {
    std::string padded = encoded;
    padded.erase(std::remove(padded.begin(), padded.end(), '='), padded.end());
    const bool alphabet = std::all_of(padded.begin(), padded.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '+' || c == '/';
    });
    if (!alphabet || padded.empty()) {
        return false;
    }
    while (padded.size() % 4 != 0) {
        padded += '=';
    }
    std::vector<unsigned char> digest;
    try {
        VekLibrary::Crypto::Base64Codec::Decode(padded, digest);
    } catch (const std::exception&) {
        return false;
    }
    if (digest.size() != kDigestBytes) {
        return false;
    }
    static const char kDigits[] = "0123456789abcdef";
    hex.clear();
    for (const unsigned char byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0f];
    }
    return true;
}

bool FromHex(const std::string& text, std::string& hex) {
    std::string digits = text;
    const bool colons = digits.find(':') != std::string::npos;
    if (colons) {
        // Colons only between byte pairs: "ab:cd:...".
        if (digits.size() != kDigestBytes * 3 - 1) {
            return false;
        }
        for (std::size_t index = 2; index < digits.size(); index += 3) {
            if (digits[index] != ':') {
                return false;
            }
        }
        digits.erase(std::remove(digits.begin(), digits.end(), ':'), digits.end());
    }
    if (digits.size() != kDigestBytes * 2 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](unsigned char c) { return std::isxdigit(c); })) {
        return false;
    }
    std::transform(digits.begin(), digits.end(), digits.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    hex = digits;
    return true;
}

}  // namespace

std::vector<std::string> ParseHostKeyFingerprints(const std::string& list) {
    std::vector<std::string> fingerprints;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t comma = list.find(',', begin);
        const std::string entry = Trimmed(list.substr(begin, comma - begin));
        std::string hex;
        const bool sha256 = entry.compare(0, kSha256Prefix.size(), kSha256Prefix) == 0;
        if (!(sha256 ? FromBase64(entry.substr(kSha256Prefix.size()), hex) : FromHex(entry, hex))) {
            throw XPluginUsageError("invalid host key fingerprint '" + entry +
                                    "': give SHA256:<base64> or 64 hex digits");
        }
        fingerprints.push_back(hex);
        if (comma == std::string::npos) {
            return fingerprints;
        }
        begin = comma + 1;
    }
}

}  // namespace VekPlugin
