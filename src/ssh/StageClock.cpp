#include "ssh/StageClock.h"

#include <utility>

#include "domain/Exceptions.h"
#include "domain/Milliseconds.h"

namespace Ssh {

namespace {

using ResultSetter = void (SshTestResult::*)(const VekLibrary::VekDomain::Milliseconds&);
constexpr ResultSetter kStageSetters[] = {
    &SshTestResult::SetDnsDuration,
    &SshTestResult::SetConnectDuration,
    &SshTestResult::SetBannerExchangeDuration,
    &SshTestResult::SetKeyExchangeDuration,
    &SshTestResult::SetServiceRequestExchangeDuration,
    &SshTestResult::SetAuthenticationDuration,
    &SshTestResult::SetCommandExecutionDuration,
};

std::int64_t WholeMilliseconds(StageClock::TimePoint::duration span) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(span).count();
}

std::size_t IndexOf(StageEnum stage) {
    return static_cast<std::size_t>(stage);
}

}  // namespace

StageClock::StageClock(std::shared_ptr<const Clock> clock) : clock_(std::move(clock)) {
    if (!clock_) {
        throw VekLibrary::XBrokenInvariantsError("StageClock clock cannot be null.");
    }
}

void StageClock::Restart() {
    recorded_.reset();
    points_[0] = clock_->Now();
    recorded_.set(0);
    budgetStart_ = points_[0];
    budgetMs_ = 0;
}

void StageClock::End(StageEnum stage, SshTestResult& result) {
    if (!HasEnded(stage)) {
        Record(stage, result);
    }
}

void StageClock::EndAtLatest(StageEnum stage, SshTestResult& result) {
    const std::size_t next = IndexOf(stage) + 1;
    if (next >= kStageCount || !HasEnded(static_cast<StageEnum>(next))) {
        Record(stage, result);
    }
}

bool StageClock::HasEnded(StageEnum stage) const {
    return recorded_.test(IndexOf(stage) + 1);
}

void StageClock::Record(StageEnum stage, SshTestResult& result) {
    const std::size_t index = IndexOf(stage);
    const TimePoint start = StartOf(index);
    points_[index + 1] = clock_->Now();
    recorded_.set(index + 1);
    (result.*kStageSetters[index])(
        VekLibrary::VekDomain::Milliseconds(WholeMilliseconds(points_[index + 1] - start)));
}

void StageClock::StartBudget(StageEnum stage, std::int64_t milliseconds) {
    budgetStart_ = StartOf(IndexOf(stage));
    budgetMs_ = milliseconds;
}

std::int64_t StageClock::MillisecondsLeft() const {
    return LeftAt(clock_->Now());
}

std::int64_t StageClock::MillisecondsLeftAtEndOf(StageEnum stage) const {
    return HasEnded(stage) ? LeftAt(points_[IndexOf(stage) + 1]) : MillisecondsLeft();
}

VekLibrary::VekDomain::Deadline StageClock::DeadlineFor(StageEnum stage) const {
    return VekLibrary::VekDomain::Deadline(clock_,
                                           budgetStart_ + std::chrono::milliseconds(budgetMs_),
                                           LeftAt(StartOf(IndexOf(stage))));
}

StageClock::TimePoint StageClock::StartOf(std::size_t index) const {
    for (std::size_t at = index + 1; at-- > 0;) {
        if (recorded_.test(at)) {
            return points_[at];
        }
    }
    return clock_->Now();
}

std::int64_t StageClock::LeftAt(TimePoint moment) const {
    return budgetMs_ - WholeMilliseconds(moment - budgetStart_);
}

}  // namespace Ssh
