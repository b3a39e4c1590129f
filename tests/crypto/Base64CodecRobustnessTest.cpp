// Randomised inputs with a fixed seed: arbitrary bytes must either decode or
// fail with one of the documented codec errors, and valid text must survive
// whitespace inserted anywhere. Sized to run in well under a second, also in the
// sanitizer build, where an overrun of the decode buffer would be reported.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "crypto/Base64Codec.h"
#include "crypto/XCodecError.h"

namespace VekLibrary::Crypto {
namespace {

constexpr int kIterations = 4000;
const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string RandomBytes(std::mt19937& random, std::size_t maxLength) {
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(length(random), '\0');
    for (char& c : bytes) {
        c = static_cast<char>(byte(random));
    }
    return bytes;
}

// Mostly Base64 characters with some padding, whitespace and stray bytes mixed
// in, so that inputs reach deep into the decoder instead of failing on the first
// byte.
std::string RandomNearBase64(std::mt19937& random, std::size_t maxLength) {
    static const std::string kExtras = "==== \t\r\n\n-*.\x80\xff";
    const std::string pool = kAlphabet + kAlphabet + kAlphabet + kExtras;
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
    std::string text(length(random), '\0');
    for (char& c : text) {
        c = pool[pick(random)];
    }
    return text;
}

void ExpectDecodesOrFailsCleanly(const std::string& input) {
    std::string previous = "previous";
    std::string text = previous;
    std::vector<unsigned char> bytes{7};
    bool textOk = true;
    bool bytesOk = true;
    try {
        Base64Codec::Decode(input, text);
    } catch (const XCodecError& error) {
        textOk = false;
        const std::string what = error.what();
        EXPECT_TRUE(what == "Codec error: EVP_DecodeUpdate: invalid Base64 input" ||
                    what == "Codec error: EVP_DecodeFinal: invalid padding")
            << what;
        EXPECT_EQ(text, previous);
    }
    try {
        Base64Codec::Decode(input, bytes);
    } catch (const XCodecError&) {
        bytesOk = false;
        EXPECT_TRUE(bytes.empty());
    }
    // Anything else escaping (another exception type) fails the test by itself.
    ASSERT_EQ(textOk, bytesOk) << "the two forms disagree";
    if (textOk) {
        EXPECT_LE(text.size(), 3 * input.size() / 4);
        EXPECT_EQ(text, std::string(bytes.begin(), bytes.end()));
    }
}

TEST(Base64CodecRobustnessTest, ArbitraryBytesDecodeOrFailWithADocumentedError) {
    std::mt19937 random(20240611u);
    for (int i = 0; i < kIterations; ++i) {
        ExpectDecodesOrFailsCleanly(RandomBytes(random, 200));
        ExpectDecodesOrFailsCleanly(RandomNearBase64(random, 300));
    }
}

TEST(Base64CodecRobustnessTest, RoundTripSurvivesInsertedWhitespace) {
    std::mt19937 random(77u);
    std::uniform_int_distribution<int> whitespace(0, 3);
    static const char kWhitespace[] = {' ', '\t', '\n', '\r'};
    for (int i = 0; i < kIterations; ++i) {
        const std::string bytes = RandomBytes(random, 300);
        std::string text;
        Base64Codec::Encode(bytes, text);
        ASSERT_EQ(text.size(), 4 * ((bytes.size() + 2) / 3));

        std::string decoded;
        Base64Codec::Decode(text, decoded);
        ASSERT_EQ(decoded, bytes);

        std::string spaced;
        std::uniform_int_distribution<std::size_t> gap(1, 80);
        std::size_t next = gap(random);
        for (std::size_t j = 0; j < text.size(); ++j) {
            if (j == next) {
                spaced.push_back(kWhitespace[whitespace(random)]);
                next += gap(random);
            }
            spaced.push_back(text[j]);
        }
        Base64Codec::Decode(spaced, decoded);
        ASSERT_EQ(decoded, bytes) << spaced;
    }
}

}  // namespace
}  // namespace VekLibrary::Crypto
