// Threshold ranges as the Monitoring Plugins Development Guidelines define them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/ThresholdRange.h"
#include "plugin/XPluginUsageError.h"

namespace {

using VekPlugin::ThresholdRange;

struct RangeCase {
    std::string range;
    double value;
    bool alerts;
};

TEST(ThresholdRangeTest, AlertsAsTheGuidelinesSay) {
    const std::vector<RangeCase> cases = {
        // "10": outside 0..10.
        {"10", -0.001, true},
        {"10", 0, false},
        {"10", 10, false},
        {"10", 10.001, true},
        // "10:": below 10, no upper end.
        {"10:", 9.999, true},
        {"10:", 10, false},
        {"10:", 1e12, false},
        // "~:10": above 10, no lower end.
        {"~:10", -1e12, false},
        {"~:10", 10, false},
        {"~:10", 10.5, true},
        // "10:20": outside 10..20, both ends included.
        {"10:20", 9.9, true},
        {"10:20", 10, false},
        {"10:20", 20, false},
        {"20:20", 20, false},
        {"10:20", 20.1, true},
        // "@10:20": inside 10..20, both ends included.
        {"@10:20", 9.9, false},
        {"@10:20", 10, true},
        {"@10:20", 15, true},
        {"@10:20", 20, true},
        {"@10:20", 20.1, false},
        // Decimals, signs, an empty start (0) and the unbounded forms.
        {"0.5", 0.5, false},
        {"0.5", 0.501, true},
        {".25", 0.3, true},
        {"-5:-1", -3, false},
        {"-5:-1", 0, true},
        {"+1:+2", 1.5, false},
        {":3", 3.5, true},
        {":3", 2, false},
        {"~:", 1e300, false},
        {"@~:", -1, true},
        {"@5", 0, true},
        {"@5", 6, false},
    };
    for (const RangeCase& entry : cases) {
        EXPECT_EQ(ThresholdRange::Parse(entry.range).Alerts(entry.value), entry.alerts)
            << entry.range << " at " << entry.value;
    }
}

TEST(ThresholdRangeTest, KeepsTheTextForThePerformanceData) {
    EXPECT_EQ(ThresholdRange::Parse("@0.5:1").Text(), "@0.5:1");
    EXPECT_EQ(ThresholdRange::Parse("~:10").Text(), "~:10");
}

TEST(ThresholdRangeTest, RefusesWhatIsNoRange) {
    for (const std::string text :
         {"", "@", "abc", "1:abc", "x:1", "20:10", "@20:10", "1e3", "inf", "nan", "0x10", "1,5",
          "10::20", "~", "1:2:3", "--1", " 1", "1 "}) {
        try {
            ThresholdRange::Parse(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const VekPlugin::XPluginUsageError& error) {
            EXPECT_EQ(
                std::string(error.what()).rfind("invalid threshold range '" + text + "': ", 0), 0u)
                << error.what();
        }
    }
}

}  // namespace
