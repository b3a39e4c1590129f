#include "crypto/Base64Codec.h"

#include <openssl/err.h>
#include <openssl/evp.h>

#include <cstddef>
#include <limits>
#include <memory>

#include "crypto/XCodecError.h"

namespace VekLibrary::Crypto {

namespace {

constexpr std::size_t kMaxInputSize = static_cast<std::size_t>(std::numeric_limits<int>::max());

// OpenSSL's text for the oldest error in this thread's queue.
std::string OpenSslErrorText() {
    char buffer[256] = {};  // ERR_error_string needs at least 256 bytes
    ERR_error_string(ERR_get_error(), buffer);
    return buffer;
}

void EncodeBytes(const unsigned char* in, std::size_t size, std::string& out) {
    out.clear();
    if (size == 0) {
        return;
    }
    if (size > kMaxInputSize) {
        throw XCodecError("Input data size exceeds maximum allowed size for Base64 encoding.");
    }
    const std::size_t encodedSize = 4 * ((size + 2) / 3);
    // EVP_EncodeBlock also writes a terminating NUL, which needs a byte of its own.
    out.resize(encodedSize + 1);
    const int written =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&out[0]), in, static_cast<int>(size));
    if (written < 0) {
        out.clear();
        throw XCodecError("EVP_EncodeBlock failed: " + OpenSslErrorText());
    }
    out.resize(encodedSize);
}

struct EncodeContextDeleter {
    void operator()(EVP_ENCODE_CTX* context) const { EVP_ENCODE_CTX_free(context); }
};

void Base64DecodeEVP(const unsigned char* in, std::size_t size, std::vector<unsigned char>& out) {
    out.clear();
    if (size == 0) {
        return;
    }
    if (size > kMaxInputSize) {
        throw XCodecError("Input data size exceeds maximum allowed size for Base64 decoding.");
    }
    // n characters decode to at most 3n/4 bytes, but the decoder writes whole
    // groups of three, so round up by one group. This also gives one- to
    // three-character inputs a real buffer rather than none at all.
    out.resize(3 * (size / 4 + 1));

    std::unique_ptr<EVP_ENCODE_CTX, EncodeContextDeleter> context(EVP_ENCODE_CTX_new());
    if (!context) {
        throw XCodecError("EVP_ENCODE_CTX_new failed");
    }
    EVP_DecodeInit(context.get());

    int updateLength = 0;
    if (EVP_DecodeUpdate(context.get(), out.data(), &updateLength, in, static_cast<int>(size)) <
        0) {
        out.clear();
        throw XCodecError("EVP_DecodeUpdate: invalid Base64 input");
    }
    int finalLength = 0;
    if (EVP_DecodeFinal(context.get(), out.data() + updateLength, &finalLength) < 0) {
        out.clear();
        throw XCodecError("EVP_DecodeFinal: invalid padding");
    }
    out.resize(static_cast<std::size_t>(updateLength) + static_cast<std::size_t>(finalLength));
}

}  // namespace

void Base64Codec::Encode(const std::string& in, std::string& out) {
    EncodeBytes(reinterpret_cast<const unsigned char*>(in.data()), in.size(), out);
}

void Base64Codec::Encode(const std::vector<unsigned char>& in, std::string& out) {
    EncodeBytes(in.data(), in.size(), out);
}

void Base64Codec::Decode(const std::string& in, std::string& out) {
    std::vector<unsigned char> decoded;
    Base64DecodeEVP(reinterpret_cast<const unsigned char*>(in.data()), in.size(), decoded);
    out.assign(decoded.begin(), decoded.end());
}

void Base64Codec::Decode(const std::string& in, std::vector<unsigned char>& out) {
    Base64DecodeEVP(reinterpret_cast<const unsigned char*>(in.data()), in.size(), out);
}

}  // namespace VekLibrary::Crypto
