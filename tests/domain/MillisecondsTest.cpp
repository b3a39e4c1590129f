#include "domain/Milliseconds.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <sstream>
#include <string>

#include "domain/Exceptions.h"
#include "domain/Seconds.h"

namespace VekLibrary::VekDomain {
namespace {

std::string Print(const Milliseconds& value) {
    std::ostringstream stream;
    stream << value;
    return stream.str();
}

std::string ConstructionError(std::int64_t count) {
    try {
        Milliseconds value(count);
    } catch (const XBrokenInvariantsError& error) {
        return error.what();
    }
    return "<no exception>";
}

TEST(MillisecondsTest, ZeroIsValidAndPrintsWithUnit) {
    const Milliseconds zero(0);
    EXPECT_TRUE(static_cast<bool>(zero));
    EXPECT_EQ(zero.GetValue(), 0);
    EXPECT_EQ(Print(zero), "0ms");
}

TEST(MillisecondsTest, UpperBoundIsValidAndEqualsMax) {
    const Milliseconds largest(2147483647);
    EXPECT_TRUE(static_cast<bool>(largest));
    EXPECT_EQ(largest, Milliseconds::Max());
    EXPECT_FALSE(largest != Milliseconds::Max());
    EXPECT_EQ(Milliseconds::Max().GetValue(), 2147483647);
    EXPECT_EQ(Print(Milliseconds::Max()), "2147483647ms");
}

TEST(MillisecondsTest, OutOfDomainCountsThrowWithTheCountInTheMessage) {
    EXPECT_EQ(ConstructionError(2147483648LL),
              "Expected durationMilliseconds value is between [0,2147483647]. Provided: "
              "2147483648");
    EXPECT_EQ(ConstructionError(-1),
              "Expected durationMilliseconds value is between [0,2147483647]. Provided: -1");
    EXPECT_EQ(ConstructionError(INT64_MIN),
              "Expected durationMilliseconds value is between [0,2147483647]. Provided: "
              "-9223372036854775808");
    EXPECT_EQ(ConstructionError(INT64_MAX),
              "Expected durationMilliseconds value is between [0,2147483647]. Provided: "
              "9223372036854775807");
}

TEST(MillisecondsTest, UnsetValueIsInvalidEverywhereButNeverThrowsWhenInspected) {
    const Milliseconds unset;
    EXPECT_FALSE(static_cast<bool>(unset));
    EXPECT_EQ(Print(unset), "<Invalid Milliseconds>");
    EXPECT_FALSE(unset == unset);
    EXPECT_TRUE(unset != unset);
    EXPECT_FALSE(unset == Milliseconds(0));
    EXPECT_TRUE(Milliseconds(0) != unset);
}

TEST(MillisecondsTest, ReadingAnUnsetValueThrowsInvalidOperation) {
    const Milliseconds unset;
    const std::string expected =
        "Invalid operation: Cannot retrieve value, the Milliseconds' duration is not "
        "domain-valid.";
    try {
        (void)unset.GetValue();
        FAIL() << "GetValue did not throw";
    } catch (const XInvalidOperationError& error) {
        EXPECT_EQ(std::string(error.what()), expected);
    }
    EXPECT_THROW((void)static_cast<std::chrono::milliseconds>(unset), XInvalidOperationError);
    EXPECT_THROW((void)static_cast<std::int64_t>(unset), XInvalidOperationError);
}

TEST(MillisecondsTest, ConversionsYieldTheCount) {
    const Milliseconds value(1234);
    EXPECT_EQ(static_cast<std::chrono::milliseconds>(value), std::chrono::milliseconds(1234));
    EXPECT_EQ(static_cast<std::int64_t>(value), 1234);
}

TEST(MillisecondsTest, EqualityNeedsTheSameCount) {
    EXPECT_TRUE(Milliseconds(5) == Milliseconds(5));
    EXPECT_FALSE(Milliseconds(5) != Milliseconds(5));
    EXPECT_FALSE(Milliseconds(5) == Milliseconds(6));
    EXPECT_TRUE(Milliseconds(5) != Milliseconds(6));
}

TEST(MillisecondsTest, CopiesKeepValidityAndCount) {
    Milliseconds target;
    target = Milliseconds(42);
    EXPECT_EQ(target.GetValue(), 42);
    Milliseconds unset;
    target = unset;
    EXPECT_FALSE(static_cast<bool>(target));
}

TEST(MillisecondsTest, ConvertsFromSeconds) {
    EXPECT_EQ(Milliseconds(Seconds(0)).GetValue(), 0);
    EXPECT_EQ(Milliseconds(Seconds(7)).GetValue(), 7000);
    EXPECT_EQ(Milliseconds(Seconds::Max()).GetValue(), 2147483000);
}

TEST(MillisecondsTest, ConvertingAnUnsetSecondsThrows) {
    try {
        Milliseconds value{Seconds()};
        FAIL() << "conversion did not throw";
    } catch (const XBrokenInvariantsError& error) {
        EXPECT_STREQ(error.what(), "Cannot convert invalid Seconds to Milliseconds.");
    }
}

}  // namespace
}  // namespace VekLibrary::VekDomain
