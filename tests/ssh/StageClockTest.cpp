// The stage clock on an injected clock: which durations reach the result, what a
// second end does, and how the milliseconds left are counted.
#include <chrono>
#include <memory>

#include <gtest/gtest.h>

#include "fixtures/TestClock.h"
#include "result/SshTestResult.h"
#include "ssh/StageClock.h"

namespace {

using Ssh::StageEnum;
using std::chrono::microseconds;
using std::chrono::milliseconds;

class StageClockTest : public ::testing::Test {
protected:
    // Moves the injected clock to `at` after the start.
    void At(microseconds at) { time_->Advance(at - (time_->Now() - kStart)); }

    const Ssh::StageClock::TimePoint kStart{std::chrono::hours(1)};
    std::shared_ptr<VekTest::TestClock> time_ = std::make_shared<VekTest::TestClock>(kStart);
    Ssh::StageClock clock_{time_};
    Ssh::SshTestResult result_;
};

TEST_F(StageClockTest, EachStageRunsFromTheEndOfThePreviousOneInWholeMilliseconds) {
    clock_.Restart();
    At(milliseconds(5) + microseconds(900));
    clock_.End(StageEnum::Dns, result_);
    At(milliseconds(12));
    clock_.End(StageEnum::Connect, result_);
    At(milliseconds(20));
    clock_.End(StageEnum::BannerExchange, result_);
    EXPECT_EQ(result_.GetDnsDuration().GetValue(), 5);
    EXPECT_EQ(result_.GetConnectDuration().GetValue(), 6);
    EXPECT_EQ(result_.GetBannerExchangeDuration().GetValue(), 8);
    EXPECT_FALSE(result_.GetKeyExchangeDuration());
}

TEST_F(StageClockTest, AStageEndsOnceUnlessItEndsAtItsLatest) {
    clock_.Restart();
    At(milliseconds(10));
    clock_.End(StageEnum::Dns, result_);
    At(milliseconds(30));
    clock_.End(StageEnum::Dns, result_);
    EXPECT_EQ(result_.GetDnsDuration().GetValue(), 10);
    EXPECT_TRUE(clock_.HasEnded(StageEnum::Dns));

    // Every line before the server's identification string moves the banner's end,
    // until the key exchange has ended.
    clock_.End(StageEnum::Connect, result_);
    At(milliseconds(40));
    clock_.EndAtLatest(StageEnum::BannerExchange, result_);
    At(milliseconds(45));
    clock_.EndAtLatest(StageEnum::BannerExchange, result_);
    EXPECT_EQ(result_.GetBannerExchangeDuration().GetValue(), 15);
    At(milliseconds(50));
    clock_.End(StageEnum::KeyExchange, result_);
    At(milliseconds(60));
    clock_.EndAtLatest(StageEnum::BannerExchange, result_);
    EXPECT_EQ(result_.GetBannerExchangeDuration().GetValue(), 15);
    EXPECT_EQ(result_.GetKeyExchangeDuration().GetValue(), 5);

    // Restart forgets every end.
    clock_.Restart();
    At(milliseconds(61));
    clock_.End(StageEnum::Dns, result_);
    EXPECT_EQ(result_.GetDnsDuration().GetValue(), 1);
}

TEST_F(StageClockTest, TheBudgetRunsFromWhereItsStageBegan) {
    clock_.Restart();
    clock_.StartBudget(StageEnum::Dns, 100);
    At(milliseconds(30) + microseconds(600));
    clock_.End(StageEnum::Dns, result_);
    At(milliseconds(45));
    EXPECT_EQ(clock_.MillisecondsLeftAtEndOf(StageEnum::Dns), 70);
    EXPECT_EQ(clock_.MillisecondsLeftAtEndOf(StageEnum::Connect), 55);
    EXPECT_EQ(clock_.MillisecondsLeft(), 55);
    At(milliseconds(100));
    EXPECT_EQ(clock_.MillisecondsLeft(), 0);
    At(milliseconds(130));
    EXPECT_EQ(clock_.MillisecondsLeft(), -30);

    // A later operation's budget counts from its stage's start, not from its call.
    for (StageEnum stage : {StageEnum::Connect, StageEnum::BannerExchange, StageEnum::KeyExchange,
                            StageEnum::ServiceRequest}) {
        clock_.End(stage, result_);
    }
    At(milliseconds(140));
    clock_.StartBudget(StageEnum::Authentication, 50);
    EXPECT_EQ(clock_.MillisecondsLeft(), 40);
    At(milliseconds(150));
    clock_.End(StageEnum::Authentication, result_);
    EXPECT_EQ(clock_.MillisecondsLeftAtEndOf(StageEnum::Authentication),
              50 - result_.GetAuthenticationDuration().GetValue());
}

TEST_F(StageClockTest, TimeEndsTheStageWhetherTheBodyReturnsOrThrows) {
    clock_.Restart();
    At(milliseconds(3));
    EXPECT_EQ(clock_.Time(StageEnum::Dns, result_, [] { return 7; }), 7);
    EXPECT_THROW(clock_.Time(StageEnum::Connect, result_,
                             [this] {
                                 At(milliseconds(9));
                                 throw std::runtime_error("refused");
                             }),
                 std::runtime_error);
    EXPECT_EQ(result_.GetDnsDuration().GetValue(), 3);
    EXPECT_EQ(result_.GetConnectDuration().GetValue(), 6);
}

}  // namespace
