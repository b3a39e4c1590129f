#include "logger/UtcTimestampProvider.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "logger/TimestampShape.h"
#include "logger/UtcTimestampProviderFactory.h"

namespace VekLibrary::VekLogger {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using std::chrono::system_clock;

// Runs the test body under a local time zone far from UTC (+05:45 and -09:30), and
// restores the previous zone afterwards.
class ForeignTimeZone : public ::testing::Test {
protected:
    void SetUp() override {
        const char* previous = std::getenv("TZ");
        hadZone_ = previous != nullptr;
        previousZone_ = hadZone_ ? previous : "";
    }
    void TearDown() override {
        if (hadZone_) {
            ::setenv("TZ", previousZone_.c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    static void UseZone(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }

private:
    bool hadZone_ = false;
    std::string previousZone_;
};

system_clock::time_point At(std::int64_t epochSeconds, int millis) {
    return system_clock::time_point(seconds(epochSeconds) + milliseconds(millis));
}

TEST_F(ForeignTimeZone, FormatsInUtcWithThreeMillisecondDigits) {
    struct Case {
        std::int64_t epochSeconds;
        int millis;
        const char* text;
    };
    const Case cases[] = {
        {1796605323, 45, "2026-12-07 01:02:03.045"}, {1796605323, 7, "2026-12-07 01:02:03.007"},
        {1796605323, 0, "2026-12-07 01:02:03.000"},  {1796605323, 999, "2026-12-07 01:02:03.999"},
        {0, 1, "1970-01-01 00:00:00.001"},           {951782400, 500, "2000-02-29 00:00:00.500"},
    };
    for (const char* zone : {"XYZ-5:45", "ABC+9:30", "UTC0"}) {
        UseZone(zone);
        for (const Case& c : cases) {
            EXPECT_EQ(UtcTimestampProvider::Format(At(c.epochSeconds, c.millis)), c.text)
                << "zone " << zone;
        }
    }
}

TEST_F(ForeignTimeZone, NowIsTheCurrentUtcTime) {
    UseZone("XYZ-5:45");
    const UtcTimestampProvider provider;
    // The same clock as the provider: time() reads a coarser clock that can still
    // show the previous second when the precise one has already moved on.
    const auto wallSeconds = [] {
        return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    };
    const std::time_t before = wallSeconds();
    const std::string now = provider.GetNow();
    const std::time_t after = wallSeconds();

    ASSERT_TRUE(StartsWithTimestampShape(now)) << now;
    ASSERT_EQ(now.size(), 23u) << now;
    std::tm parsed{};
    ASSERT_NE(::strptime(now.c_str(), "%Y-%m-%d %H:%M:%S", &parsed), nullptr);
    const std::time_t stamped = ::timegm(&parsed);
    EXPECT_LE(before, stamped);
    EXPECT_LE(stamped, after);
}

TEST(UtcTimestampProviderFactoryTest, CreatesANewUtcProviderEachTime) {
    UtcTimestampProviderFactory factory;
    std::shared_ptr<ITimestampProvider> first;
    std::shared_ptr<ITimestampProvider> second;
    factory.Create(first);
    factory.Create(second);
    EXPECT_NE(dynamic_cast<UtcTimestampProvider*>(first.get()), nullptr);
    EXPECT_NE(first, second);
}

}  // namespace
}  // namespace VekLibrary::VekLogger
