#pragma once

#include <array>
#include <bitset>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "domain/Deadline.h"
#include "domain/IMonotonicClock.h"
#include "result/SshTestResult.h"

namespace Ssh {

// The stages of one test, in order. Stage s runs from time point s to time point
// s + 1, so each begins where the previous one ended.
enum class StageEnum : std::size_t {
    Dns,
    Connect,
    BannerExchange,
    KeyExchange,
    ServiceRequest,
    Authentication,
    CommandExecution
};

// One time point per stage boundary, the stage durations written into the test
// result, and the budget of the operation that runs, with its deadline: the client's
// only count of time. Everything is read from one clock, which the deadlines handed
// out read too, so a clock that a test injects moves the waits as well as the
// durations. A duration is the whole milliseconds between the stage's two time
// points, truncated.
class StageClock final {
public:
    using Clock = VekLibrary::VekDomain::IMonotonicClock;
    using TimePoint = Clock::TimePoint;

    // Throws XBrokenInvariantsError for a null clock.
    explicit StageClock(std::shared_ptr<const Clock> clock);

    // Forgets every time point and budget, and begins the first stage now.
    void Restart();

    // Ends `stage` now and writes its duration into `result`. A stage ends once: a
    // later call changes nothing, so a failure path may end a stage that its
    // success path has ended already.
    void End(StageEnum stage, SshTestResult& result);
    // Ends `stage` now, or moves its end to now while the next stage has not ended:
    // the banner exchange ends at the last line the server sends before its key
    // exchange.
    void EndAtLatest(StageEnum stage, SshTestResult& result);
    bool HasEnded(StageEnum stage) const;
    // Runs `body` as `stage`, which ends when the body returns or throws.
    template <typename Body>
    auto Time(StageEnum stage, SshTestResult& result, Body&& body);

    // Starts the budget of the operation that runs `stage`: `milliseconds` from
    // where that stage began, so that the time left at its end is the budget less
    // its recorded duration. A stage whose start was never recorded begins at the
    // latest time point before it (now when there is none).
    void StartBudget(StageEnum stage, std::int64_t milliseconds);
    // The budget less the whole milliseconds spent since it started, now or at the
    // recorded end of `stage` (now while it has not ended); 0 or negative once it is
    // used up.
    std::int64_t MillisecondsLeft() const;
    std::int64_t MillisecondsLeftAtEndOf(StageEnum stage) const;
    // The moment the budget runs out, on this clock; MillisecondsLeft() <= 0 exactly
    // when it has passed. It names as given what was left of the budget when `stage`
    // began.
    VekLibrary::VekDomain::Deadline DeadlineFor(StageEnum stage) const;

private:
    static constexpr std::size_t kStageCount = 7;

    void Record(StageEnum stage, SshTestResult& result);
    // The recorded time point at `index`, or the latest recorded one before it.
    TimePoint StartOf(std::size_t index) const;
    std::int64_t LeftAt(TimePoint moment) const;

    std::shared_ptr<const Clock> clock_;
    std::array<TimePoint, kStageCount + 1> points_{};
    std::bitset<kStageCount + 1> recorded_;
    TimePoint budgetStart_{};
    std::int64_t budgetMs_ = 0;
};

template <typename Body>
auto StageClock::Time(StageEnum stage, SshTestResult& result, Body&& body) {
    try {
        if constexpr (std::is_void_v<decltype(body())>) {
            body();
            End(stage, result);
        } else {
            auto value = body();
            End(stage, result);
            return value;
        }
    } catch (...) {
        End(stage, result);
        throw;
    }
}

}  // namespace Ssh
