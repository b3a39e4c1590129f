// base64_fuzzer: the input is decoded as Base64 text and, as raw bytes, encoded
// and decoded again.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "crypto/Base64Codec.h"
#include "crypto/XCodecError.h"
#include "fuzz/FuzzFault.h"

namespace {

using VekLibrary::Crypto::Base64Codec;
using VekLibrary::Crypto::XCodecError;

// Both forms of Decode; true when they accepted `text`. They must agree, and a
// refusal must leave the string output as it was.
bool Decode(const std::string& text, std::string& decoded) {
    static const std::string kUntouched = "untouched";
    decoded = kUntouched;
    bool stringAccepted = true;
    try {
        Base64Codec::Decode(text, decoded);
    } catch (const XCodecError&) {
        stringAccepted = false;
        if (decoded != kUntouched) {
            VekFuzz::Fault("a refused decode changed the string output");
        }
    } catch (const std::exception& error) {
        VekFuzz::Fault("Decode(string) threw an undocumented exception", error);
    }
    std::vector<unsigned char> bytes(3, 'x');
    bool vectorAccepted = true;
    try {
        Base64Codec::Decode(text, bytes);
    } catch (const XCodecError&) {
        vectorAccepted = false;
    } catch (const std::exception& error) {
        VekFuzz::Fault("Decode(vector) threw an undocumented exception", error);
    }
    if (stringAccepted != vectorAccepted ||
        (stringAccepted && decoded != std::string(bytes.begin(), bytes.end()))) {
        VekFuzz::Fault("the string and vector forms of Decode disagree");
    }
    return stringAccepted;
}

// Encode gives one unbroken line that decodes back to `bytes`.
void RoundTrip(const std::string& bytes) {
    std::string encoded = "stale";
    try {
        Base64Codec::Encode(bytes, encoded);
    } catch (const std::exception& error) {
        VekFuzz::Fault("Encode threw", error);
    }
    if (encoded.size() != 4 * ((bytes.size() + 2) / 3) ||
        encoded.find_first_of("\r\n") != std::string::npos) {
        VekFuzz::Fault("Encode gave " + std::to_string(encoded.size()) + " characters for " +
                       std::to_string(bytes.size()) + " bytes");
    }
    std::string decoded;
    if (!Decode(encoded, decoded)) {
        VekFuzz::Fault("Decode refused what Encode wrote: " + encoded);
    }
    if (decoded != bytes) {
        VekFuzz::Fault("Encode then Decode changed the bytes: " + encoded);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string decoded;
    if (Decode(input, decoded)) {
        RoundTrip(decoded);
    }
    RoundTrip(input);
    return 0;
}
