// The written forms of a host key fingerprint and the refusal of anything else.
#include "crypto/HostKeyFingerprint.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace VekLibrary::Crypto {
namespace {

// One key in both forms: ssh-keygen -l's text and lower-case hex.
const std::string kBase64 = "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU";
const std::string kHex = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
const std::string kOtherHex = "00" + kHex.substr(2);
const std::string kColons =
    "e3:b0:c4:42:98:fc:1c:14:9a:fb:f4:c8:99:6f:b9:24:27:ae:41:e4:64:9b:93:4c:a4:95:99:1b:78:52:b8:"
    "55";

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    return text;
}

TEST(HostKeyFingerprintTest, AcceptsEveryFormInAnyMix) {
    std::vector<HostKeyFingerprint> expected(1);
    std::string refused;
    ASSERT_TRUE(HostKeyFingerprintText::ParseList(kHex, expected, refused));
    std::vector<HostKeyFingerprint> other(1);
    ASSERT_TRUE(HostKeyFingerprintText::ParseList(kOtherHex, other, refused));
    struct Row {
        std::string list;
        std::vector<HostKeyFingerprint> pins;
    };
    const Row rows[] = {
        {"SHA256:" + kBase64, expected},
        {"SHA256:" + kBase64 + "=", expected},
        {kHex, expected},
        {Upper(kHex), expected},
        {kColons, expected},
        {Upper(kColons), expected},
        {" \tSHA256:" + kBase64 + " , " + kOtherHex + "\t", {expected[0], other[0]}},
        {kOtherHex + ",SHA256:" + kBase64, {other[0], expected[0]}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.list);
        std::vector<HostKeyFingerprint> pins;
        std::string item = "untouched";
        EXPECT_TRUE(HostKeyFingerprintText::ParseList(row.list, pins, item));
        EXPECT_EQ(pins, row.pins);
        EXPECT_EQ(item, "untouched");
    }
    EXPECT_EQ(HostKeyFingerprintText::ToOpenSshText(expected[0]), "SHA256:" + kBase64);
    EXPECT_EQ(HostKeyFingerprintText::ToHex(expected[0]), kHex);
}

TEST(HostKeyFingerprintTest, NamesTheFirstRefusedItemWithoutItsBlanks) {
    struct Row {
        std::string list;
        std::string refused;
    };
    const std::string b64 = "SHA256:" + kBase64;
    const Row rows[] = {
        {"", ""},
        {"  ", ""},
        {kHex + ",", ""},
        {kHex + ",, " + kHex, ""},
        {",", ""},
        {kHex + ", nonsense ," + kHex, "nonsense"},
        {kHex.substr(1), kHex.substr(1)},
        {kHex + "0", kHex + "0"},
        {"g" + kHex.substr(1), "g" + kHex.substr(1)},
        {"sha256:" + kBase64, "sha256:" + kBase64},
        {"SHA256:", "SHA256:"},
        {b64.substr(0, b64.size() - 1), b64.substr(0, b64.size() - 1)},
        {b64 + "A", b64 + "A"},
        {b64 + "==", b64 + "=="},
        {"SHA256:" + kBase64.substr(0, 20) + " " + kBase64.substr(20),
         "SHA256:" + kBase64.substr(0, 20) + " " + kBase64.substr(20)},
        {"SHA256:" + kBase64.substr(0, 42) + "-", "SHA256:" + kBase64.substr(0, 42) + "-"},
        {"SHA256:" + kHex, "SHA256:" + kHex},
        {"MD5:" + kHex, "MD5:" + kHex},
        {kColons.substr(1), kColons.substr(1)},
        {kColons + ":", kColons + ":"},
        {":" + kColons.substr(0, 94), ":" + kColons.substr(0, 94)},
        {std::string(kColons).replace(2, 1, "-"), std::string(kColons).replace(2, 1, "-")},
        {"SHA256:" + kColons, "SHA256:" + kColons},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.list);
        std::vector<HostKeyFingerprint> pins;
        std::string refused = "untouched";
        EXPECT_FALSE(HostKeyFingerprintText::ParseList(row.list, pins, refused));
        EXPECT_EQ(refused, row.refused);
    }
}

}  // namespace
}  // namespace VekLibrary::Crypto
