#include "crypto/Base64Codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crypto/XCodecError.h"

namespace VekLibrary::Crypto {
namespace {

std::string Encoded(const std::string& in) {
    std::string out;
    Base64Codec::Encode(in, out);
    return out;
}

std::string Decoded(const std::string& in) {
    std::string out;
    Base64Codec::Decode(in, out);
    return out;
}

// The what() text of the XCodecError that decoding `in` throws.
std::string DecodeError(const std::string& in) {
    try {
        Decoded(in);
    } catch (const XCodecError& error) {
        return error.what();
    }
    return "<no exception>";
}

// RFC 4648, section 10.
struct Vector {
    const char* plain;
    const char* encoded;
};
const Vector kRfc4648Vectors[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
};

TEST(Base64CodecTest, EncodesTheRfcVectors) {
    for (const Vector& v : kRfc4648Vectors) {
        EXPECT_EQ(Encoded(v.plain), v.encoded) << v.plain;
        std::string out;
        Base64Codec::Encode(
            std::vector<unsigned char>(v.plain, v.plain + std::string(v.plain).size()), out);
        EXPECT_EQ(out, v.encoded) << v.plain;
    }
}

TEST(Base64CodecTest, DecodesTheRfcVectors) {
    for (const Vector& v : kRfc4648Vectors) {
        EXPECT_EQ(Decoded(v.encoded), v.plain) << v.encoded;
        std::vector<unsigned char> out{'x'};
        Base64Codec::Decode(v.encoded, out);
        EXPECT_EQ(std::string(out.begin(), out.end()), v.plain) << v.encoded;
    }
}

TEST(Base64CodecTest, OutputIsReplacedNotAppended) {
    std::string out = "previous";
    Base64Codec::Encode(std::string("foo"), out);
    EXPECT_EQ(out, "Zm9v");
    Base64Codec::Decode(std::string("Zm9v"), out);
    EXPECT_EQ(out, "foo");
    Base64Codec::Encode(std::string(), out);
    EXPECT_EQ(out, "");
    out = "previous";
    Base64Codec::Decode(std::string(), out);
    EXPECT_EQ(out, "");
}

TEST(Base64CodecTest, KeepsNulAndHighBytes) {
    const std::string bytes("\0a\0\xff\x80\0", 6);
    const std::string text = Encoded(bytes);
    EXPECT_EQ(text, "AGEA/4AA");
    EXPECT_EQ(Decoded(text), bytes);
    EXPECT_EQ(Decoded("AAAA"), std::string(3, '\0'));
}

TEST(Base64CodecTest, EncodingIsOneLineEvenForLongInput) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) {
        bytes.push_back(static_cast<char>(i * 37));
    }
    const std::string text = Encoded(bytes);
    EXPECT_EQ(text.size(), 4u * ((1000 + 2) / 3));
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(Decoded(text), bytes);
}

TEST(Base64CodecTest, SkipsLineBreaksEvery64Characters) {
    std::string bytes;
    for (int i = 0; i < 500; ++i) {
        bytes.push_back(static_cast<char>(i * 11 + 3));
    }
    const std::string text = Encoded(bytes);
    std::string wrapped;
    for (std::size_t i = 0; i < text.size(); i += 64) {
        wrapped += text.substr(i, 64) + "\n";
    }
    EXPECT_EQ(Decoded(wrapped), bytes);

    std::string crlf;
    for (std::size_t i = 0; i < text.size(); i += 64) {
        crlf += text.substr(i, 64) + "\r\n";
    }
    EXPECT_EQ(Decoded(crlf), bytes);
}

TEST(Base64CodecTest, RejectsCharactersOutsideTheAlphabet) {
    const std::string expected = "Codec error: EVP_DecodeUpdate: invalid Base64 input";
    EXPECT_EQ(DecodeError("Zm9v*mFy"), expected);
    EXPECT_EQ(DecodeError("*"), expected);
    EXPECT_EQ(DecodeError("Zm9v_-_-"), expected);  // URL-safe alphabet is not accepted
    EXPECT_EQ(DecodeError(std::string("Zm\0v", 4)), expected);
}

TEST(Base64CodecTest, RejectsIncompleteFinalGroups) {
    const std::string expected = "Codec error: EVP_DecodeFinal: invalid padding";
    for (const char* text : {"Z", "Zg", "Zg=", "Zm9vY", "Zm9vYg="}) {
        EXPECT_EQ(DecodeError(text), expected) << text;
    }
}

TEST(Base64CodecTest, RejectsDataAfterPadding) {
    EXPECT_EQ(DecodeError("Zg==Zg=="), "Codec error: EVP_DecodeUpdate: invalid Base64 input");
}

TEST(Base64CodecTest, WhitespaceOnlyDecodesToNothing) {
    EXPECT_EQ(Decoded(" "), "");
    EXPECT_EQ(Decoded(" \t\r\n  "), "");
}

TEST(Base64CodecTest, FailedDecodeKeepsStringOutputButEmptiesVectorOutput) {
    std::string text = "kept";
    EXPECT_THROW(Base64Codec::Decode(std::string("Zm9v*"), text), XCodecError);
    EXPECT_EQ(text, "kept");

    std::vector<unsigned char> bytes{1, 2, 3};
    EXPECT_THROW(Base64Codec::Decode(std::string("Zm9v*"), bytes), XCodecError);
    EXPECT_TRUE(bytes.empty());
}

}  // namespace
}  // namespace VekLibrary::Crypto
