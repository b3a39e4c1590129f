#include "stringutils/StringOperations.h"

#include <gtest/gtest.h>

#include <string>

namespace VekLibrary::StringUtilities {
namespace {

TEST(StringOperationsTest, CaseConversionTouchesOnlyAsciiLetters) {
    const std::string mixed("aZ09!~ \x80\xc3\xa9\xff", 11);
    EXPECT_EQ(ToLowerCopy(mixed), std::string("az09!~ \x80\xc3\xa9\xff", 11));
    EXPECT_EQ(ToUpperCopy(mixed), std::string("AZ09!~ \x80\xc3\xa9\xff", 11));

    std::string inPlace = "TrUe";
    ToLowerInplace(inPlace);
    EXPECT_EQ(inPlace, "true");
    ToUpperInplace(inPlace);
    EXPECT_EQ(inPlace, "TRUE");

    const std::string withNul("A\0B", 3);
    EXPECT_EQ(ToLowerCopy(withNul), std::string("a\0b", 3));
}

TEST(StringOperationsTest, TrimRemovesEveryKindOfOuterWhitespaceOnly) {
    struct Case {
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"", ""},
        {" \t\n\v\f\r", ""},
        {"word", "word"},
        {"  two words \n", "two words"},
        {"\tx", "x"},
        {"x\r\n", "x"},
        {std::string("\0 x", 3), std::string("\0 x", 3)},  // NUL is not whitespace
        {"\xa0x\xa0", "\xa0x\xa0"},                        // nor is a byte above 0x7F
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrimCopy(c.input), c.expected);
        std::string inPlace = c.input;
        TrimInplace(inPlace);
        EXPECT_EQ(inPlace, c.expected);
    }
}

TEST(StringOperationsTest, TrimInplaceKeepsTheBuffer) {
    std::string text = "      a long enough text to live on the heap      ";
    const char* buffer = text.data();
    TrimInplace(text);
    EXPECT_EQ(text, "a long enough text to live on the heap");
    EXPECT_EQ(text.data(), buffer);
}

TEST(StringOperationsTest, EmptyOrWhitespace) {
    EXPECT_TRUE(IsEmptyOrWhitespace(""));
    EXPECT_TRUE(IsEmptyOrWhitespace(" \t\r\n\v\f"));
    EXPECT_FALSE(IsEmptyOrWhitespace(" x "));
    EXPECT_FALSE(IsEmptyOrWhitespace(std::string(1, '\0')));
}

TEST(StringOperationsTest, HexStrings) {
    EXPECT_FALSE(IsValidHexString(""));
    EXPECT_TRUE(IsValidHexString("0aF9"));
    EXPECT_TRUE(IsValidHexString("0123456789abcdefABCDEF"));
    EXPECT_FALSE(IsValidHexString("0x1F"));
    EXPECT_FALSE(IsValidHexString("g"));
    EXPECT_FALSE(IsValidHexString(" 1"));
    EXPECT_FALSE(IsValidHexString("\xb1"));
}

TEST(StringOperationsTest, CaseInsensitiveEquality) {
    EXPECT_TRUE(IsCaseInsensitiveEqual("", ""));
    EXPECT_TRUE(IsCaseInsensitiveEqual("Password", "pASSWORD"));
    EXPECT_FALSE(IsCaseInsensitiveEqual("pass", "password"));
    EXPECT_FALSE(IsCaseInsensitiveEqual("password", "pass"));
    EXPECT_FALSE(IsCaseInsensitiveEqual("a-b", "a_b"));
    EXPECT_FALSE(IsCaseInsensitiveEqual("\xe9", "\xc9"));  // Latin-1 letters are not letters here
}

TEST(StringOperationsTest, Prefixes) {
    EXPECT_TRUE(IsPrefix("qo-ssh://host", "qo-ssh://"));
    EXPECT_TRUE(IsPrefix("text", ""));
    EXPECT_TRUE(IsPrefix("", ""));
    EXPECT_TRUE(IsPrefix("same", "same"));
    EXPECT_FALSE(IsPrefix("QO-SSH://host", "qo-ssh://"));
    EXPECT_FALSE(IsPrefix("qo", "qo-ssh://"));

    EXPECT_EQ(RemovePrefixCopy("qo-ssh://host:22", "qo-ssh://"), "host:22");
    EXPECT_EQ(RemovePrefixCopy("host:22", "qo-ssh://"), "host:22");
    EXPECT_EQ(RemovePrefixCopy("text", ""), "text");
    EXPECT_EQ(RemovePrefixCopy("same", "same"), "");
    EXPECT_EQ(RemovePrefixCopy("ab", "abc"), "ab");
}

}  // namespace
}  // namespace VekLibrary::StringUtilities
