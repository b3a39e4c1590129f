#include "logger/StringFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace VekLibrary::VekLogger {
namespace {

TEST(StringFormatTest, FillsPlaceholdersLeftToRight) {
    const char* nullText = nullptr;
    EXPECT_EQ(StringFormat("Invalid test input: {}", std::string("bad")),
              "Invalid test input: bad");
    EXPECT_EQ(StringFormat("{} and {}", 1), "1 and [MissingArgument]");
    EXPECT_EQ(StringFormat("{}{}", true, false), "truefalse");
    EXPECT_EQ(StringFormat("{{}}", 5), "{5}");
    EXPECT_EQ(StringFormat("no placeholder", 1, 2), "no placeholder");
    EXPECT_EQ(StringFormat("[{}]", nullText), "[]");
    EXPECT_EQ(StringFormat("{} {} {}", -12, std::uint64_t{18446744073709551615u}, "lit"),
              "-12 18446744073709551615 lit");
    EXPECT_EQ(StringFormat("{}", std::string_view("view")), "view");
    EXPECT_EQ(StringFormat("{} ", 'c'), "c ");
    EXPECT_EQ(StringFormat("", 1), "");
    EXPECT_EQ(StringFormat("{}"), "[MissingArgument]");
    EXPECT_EQ(StringFormat("{}", std::vector<int>{1, 2, 3}), "[1, 2, 3]");
}

// Any format and arguments: the result is the format with each placeholder, in
// order, replaced by the next argument or "[MissingArgument]". Arguments are
// markers that cannot occur in the format, so reversing the replacement must give
// the format back.
TEST(StringFormatTest, RandomFormatsKeepTheirTextAroundPlaceholders) {
    std::mt19937 random(1234567u);
    const std::string alphabet = "{}a {";
    for (int round = 0; round < 5000; ++round) {
        std::string format;
        const int length = static_cast<int>(random() % 24);
        for (int i = 0; i < length; ++i) {
            format += alphabet[random() % alphabet.size()];
        }
        const int argumentCount = static_cast<int>(random() % 4);
        std::string result;
        switch (argumentCount) {
            case 0:
                result = StringFormat(format);
                break;
            case 1:
                result = StringFormat(format, "<0>");
                break;
            case 2:
                result = StringFormat(format, "<0>", "<1>");
                break;
            default:
                result = StringFormat(format, "<0>", "<1>", "<2>");
                break;
        }
        size_t placeholders = 0;
        for (size_t at = format.find("{}"); at != std::string::npos;
             at = format.find("{}", at + 2)) {
            ++placeholders;
        }
        std::string restored;
        size_t used = 0;
        size_t missing = 0;
        for (size_t i = 0; i < result.size();) {
            const std::string marker = "<" + std::to_string(used) + ">";
            if (result.compare(i, marker.size(), marker) == 0) {
                restored += "{}";
                i += marker.size();
                ++used;
            } else if (result.compare(i, 17, "[MissingArgument]") == 0) {
                restored += "{}";
                i += 17;
                ASSERT_EQ(used, static_cast<size_t>(argumentCount)) << format;
                ++missing;
            } else {
                restored += result[i++];
            }
        }
        ASSERT_EQ(restored, format);
        ASSERT_EQ(used, std::min(placeholders, static_cast<size_t>(argumentCount))) << format;
        ASSERT_EQ(used + missing, placeholders) << format;
    }
}

}  // namespace
}  // namespace VekLibrary::VekLogger
