#include "domain/Seconds.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <sstream>
#include <string>

#include "domain/Exceptions.h"
#include "domain/Milliseconds.h"

namespace VekLibrary::VekDomain {
namespace {

std::string Print(const Seconds& value) {
    std::ostringstream stream;
    stream << value;
    return stream.str();
}

TEST(SecondsTest, BoundsOfTheDomain) {
    EXPECT_EQ(Print(Seconds(0)), "0s");
    EXPECT_EQ(Seconds(2147483), Seconds::Max());
    EXPECT_EQ(Print(Seconds::Max()), "2147483s");
    try {
        Seconds tooLarge(2147484);
        FAIL() << "construction did not throw";
    } catch (const XBrokenInvariantsError& error) {
        EXPECT_STREQ(error.what(),
                     "Expected durationSeconds value is between [0,2147483]. Provided: 2147484");
    }
    EXPECT_THROW(Seconds(-1), XBrokenInvariantsError);
}

TEST(SecondsTest, UnsetValueIsInvalidEverywhere) {
    const Seconds unset;
    EXPECT_FALSE(static_cast<bool>(unset));
    EXPECT_EQ(Print(unset), "<Invalid Seconds>");
    EXPECT_FALSE(unset == unset);
    EXPECT_TRUE(unset != unset);
    try {
        (void)unset.GetValue();
        FAIL() << "GetValue did not throw";
    } catch (const XInvalidOperationError& error) {
        EXPECT_STREQ(error.what(),
                     "Invalid operation: Cannot retrieve value, the Seconds' duration is not "
                     "domain-valid.");
    }
    EXPECT_THROW((void)static_cast<std::chrono::seconds>(unset), XInvalidOperationError);
    EXPECT_THROW((void)static_cast<std::int64_t>(unset), XInvalidOperationError);
}

TEST(SecondsTest, ConversionFromMillisecondsTruncates) {
    struct Case {
        std::int64_t milliseconds;
        std::int64_t seconds;
    };
    const Case cases[] = {{0, 0}, {999, 0}, {1000, 1}, {1999, 1}, {2147483647, 2147483}};
    for (const Case& c : cases) {
        const Seconds converted{Milliseconds(c.milliseconds)};
        EXPECT_TRUE(static_cast<bool>(converted)) << c.milliseconds;
        EXPECT_EQ(converted.GetValue(), c.seconds) << c.milliseconds;
    }
    EXPECT_EQ(Seconds(Milliseconds::Max()), Seconds::Max());
    EXPECT_EQ(static_cast<std::chrono::seconds>(Seconds(Milliseconds(1999))),
              std::chrono::seconds(1));
}

TEST(SecondsTest, RoundTripKeepsWholeSecondsOnly) {
    EXPECT_EQ(Seconds(Milliseconds(Seconds(12345))).GetValue(), 12345);
    EXPECT_EQ(Milliseconds(Seconds(Milliseconds(12345))).GetValue(), 12000);
}

TEST(SecondsTest, ConvertingAnUnsetMillisecondsThrows) {
    try {
        Seconds value{Milliseconds()};
        FAIL() << "conversion did not throw";
    } catch (const XBrokenInvariantsError& error) {
        EXPECT_STREQ(error.what(), "Cannot convert invalid Milliseconds to Seconds.");
    }
}

}  // namespace
}  // namespace VekLibrary::VekDomain
