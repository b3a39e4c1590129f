// Randomised byte strings with a fixed seed, checked against invariants that
// every string helper must keep for any input, including bytes above 0x7F and
// NUL.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "stringutils/StringOperations.h"

namespace VekLibrary::StringUtilities {
namespace {

constexpr int kIterations = 5000;

bool IsCWhitespace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsAsciiUpper(unsigned char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsAsciiLower(unsigned char c) {
    return c >= 'a' && c <= 'z';
}

// Random bytes, biased towards whitespace and letters so trimming and case
// folding get real work.
std::string RandomText(std::mt19937& random) {
    static const std::string kBiased = " \t\n\v\f\r  aZ09fF";
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> coin(0, 1);
    std::uniform_int_distribution<std::size_t> pick(0, kBiased.size() - 1);
    std::string text(static_cast<std::size_t>(length(random)), '\0');
    for (char& c : text) {
        c = coin(random) ? kBiased[pick(random)] : static_cast<char>(byte(random));
    }
    return text;
}

void CheckCaseConversion(const std::string& text) {
    const std::string lower = ToLowerCopy(text);
    const std::string upper = ToUpperCopy(text);
    ASSERT_EQ(lower.size(), text.size());
    ASSERT_EQ(upper.size(), text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto l = static_cast<unsigned char>(lower[i]);
        const auto u = static_cast<unsigned char>(upper[i]);
        EXPECT_EQ(l, IsAsciiUpper(c) ? c + 32 : c);
        EXPECT_EQ(u, IsAsciiLower(c) ? c - 32 : c);
    }
    std::string inPlace = text;
    ToLowerInplace(inPlace);
    EXPECT_EQ(inPlace, lower);
    inPlace = text;
    ToUpperInplace(inPlace);
    EXPECT_EQ(inPlace, upper);
    EXPECT_TRUE(IsCaseInsensitiveEqual(text, lower));
    EXPECT_TRUE(IsCaseInsensitiveEqual(upper, lower));
}

void CheckTrim(const std::string& text) {
    const std::string trimmed = TrimCopy(text);
    if (!trimmed.empty()) {
        EXPECT_FALSE(IsCWhitespace(static_cast<unsigned char>(trimmed.front())));
        EXPECT_FALSE(IsCWhitespace(static_cast<unsigned char>(trimmed.back())));
    }
    const std::size_t start = text.find(trimmed);
    ASSERT_NE(start, std::string::npos);
    // Only whitespace was removed around it.
    std::size_t first = 0;
    while (first < text.size() && IsCWhitespace(static_cast<unsigned char>(text[first]))) {
        ++first;
    }
    if (trimmed.empty()) {
        EXPECT_EQ(first, text.size());
    } else {
        EXPECT_EQ(text.compare(first, trimmed.size(), trimmed), 0);
        for (std::size_t i = first + trimmed.size(); i < text.size(); ++i) {
            EXPECT_TRUE(IsCWhitespace(static_cast<unsigned char>(text[i])));
        }
    }
    EXPECT_EQ(IsEmptyOrWhitespace(text), trimmed.empty());

    std::string inPlace = text;
    TrimInplace(inPlace);
    EXPECT_EQ(inPlace, trimmed);
}

void CheckHex(const std::string& text) {
    bool expected = !text.empty();
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        expected = expected &&
                   ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
    }
    EXPECT_EQ(IsValidHexString(text), expected);
}

void CheckPrefixes(const std::string& text, const std::string& other) {
    const std::size_t cut = other.empty() ? 0 : static_cast<unsigned char>(other[0]) % 8;
    const std::string head = text.substr(0, cut);
    EXPECT_TRUE(IsPrefix(text, head));
    EXPECT_EQ(head + RemovePrefixCopy(text, head), text);

    const bool isPrefix = IsPrefix(text, other);
    EXPECT_EQ(isPrefix, text.compare(0, other.size(), other) == 0 && other.size() <= text.size());
    EXPECT_EQ(RemovePrefixCopy(text, other), isPrefix ? text.substr(other.size()) : text);
}

TEST(StringOperationsRobustnessTest, InvariantsHoldForArbitraryBytes) {
    std::mt19937 random(4242u);
    for (int i = 0; i < kIterations; ++i) {
        const std::string text = RandomText(random);
        const std::string other = RandomText(random);
        CheckCaseConversion(text);
        CheckTrim(text);
        CheckHex(text);
        CheckPrefixes(text, other);
        EXPECT_EQ(IsCaseInsensitiveEqual(text, other),
                  text.size() == other.size() && ToUpperCopy(text) == ToUpperCopy(other));
        if (HasFailure()) {
            FAIL() << "iteration " << i;
        }
    }
}

}  // namespace
}  // namespace VekLibrary::StringUtilities
