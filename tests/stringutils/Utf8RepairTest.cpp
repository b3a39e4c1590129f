#include "stringutils/Utf8Repair.h"

#include <gtest/gtest.h>

#include <string>

namespace VekLibrary::StringUtilities {
namespace {

const std::string R = "\xEF\xBF\xBD";  // U+FFFD

struct Case {
    const char* name;
    std::string input;
    std::string expected;
    std::size_t firstInvalid;
};

// Each maximal ill-formed subpart becomes one U+FFFD: the rows follow Unicode's
// Table 3-8 and the WHATWG decoder.
TEST(Utf8RepairTest, EachMaximalIllFormedSubpartBecomesOneReplacement) {
    const std::size_t valid = std::string::npos;
    const Case cases[] = {
        {"empty", "", "", valid},
        {"ASCII", "plain text\n", "plain text\n", valid},
        {"every length of well-formed sequence",
         "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF"
         "\xEE\x80\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
         "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
         valid},
        {"lone 0xFF",
         "a\xFF"
         "b",
         "a" + R + "b", 1},
        {"lone continuation byte", "\x80", R, 0},
        {"Latin-1 text",
         "Gr\xFC\xDF"
         "e",
         "Gr" + R + R + "e", 2},
        {"three-byte sequence cut before another",
         "\xE2\x82"
         "x",
         R + "x", 0},
        {"sequence cut at the end", "ok\xE2\x82", "ok" + R, 2},
        {"four-byte sequence cut at the end", "\xF0\x9F\x98", R, 0},
        {"lead byte at the end", "end\xC3", "end" + R, 3},
        {"overlong two-byte slash", "\xC0\xAF", R + R, 0},
        {"overlong three-byte", "\xE0\x80\xAF", R + R + R, 0},
        {"overlong four-byte", "\xF0\x80\x80\xAF", R + R + R + R, 0},
        {"surrogate", "\xED\xA0\x80", R + R + R, 0},
        {"above U+10FFFF", "\xF4\x90\x80\x80", R + R + R + R, 0},
        {"lead bytes F5 to FF", "\xF5\xF8\xFC\xFE", R + R + R + R, 0},
        {"three-byte lead with a bad third byte",
         "\xE1\x80"
         "A",
         R + "A", 0},
        {"four-byte lead with a bad fourth byte", "\xF1\x80\x80\xC0\x80", R + R + R, 0},
        {"NUL is valid", std::string("a\0b", 3), std::string("a\0b", 3), valid},
        {"invalid after a long ASCII run", std::string(37, 'x') + "\xFF", std::string(37, 'x') + R,
         37},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindInvalidUtf8(c.input), c.firstInvalid);
        EXPECT_EQ(ToValidUtf8(c.input), c.expected);
        std::string inPlace = c.input;
        EXPECT_EQ(MakeValidUtf8(inPlace), c.firstInvalid != valid);
        EXPECT_EQ(inPlace, c.expected);
        // A repaired text is valid and stays as it is.
        EXPECT_EQ(FindInvalidUtf8(c.expected), valid);
    }
}

TEST(Utf8RepairTest, ValidTextIsNotCopied) {
    std::string text(1 << 20, 'a');
    text += "\xC3\xA9";
    const char* const storage = text.data();
    EXPECT_FALSE(MakeValidUtf8(text));
    EXPECT_EQ(text.data(), storage);
}

TEST(Utf8RepairTest, AnyByteStringComesOutValid) {
    // Every two-byte string and every byte before a cut: no input escapes repair.
    for (int first = 0; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            const std::string input{static_cast<char>(first), static_cast<char>(second)};
            ASSERT_EQ(FindInvalidUtf8(ToValidUtf8(input)), std::string::npos)
                << first << " " << second;
        }
    }
}

}  // namespace
}  // namespace VekLibrary::StringUtilities
