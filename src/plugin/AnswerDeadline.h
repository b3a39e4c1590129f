#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "plugin/PluginStateEnum.h"

namespace VekPlugin {

// The last word of a check that cannot answer in time by itself (a file read that
// hangs in the kernel, say): once armed, at its moment a thread of its own writes
// the prepared answer to standard output and ends the process with the answer's
// state, unless the check has claimed the answer before. The check owns the
// object for its whole run; the object owns its thread.
class AnswerDeadline final {
public:
    using Clock = std::chrono::steady_clock;

    AnswerDeadline();
    AnswerDeadline(const AnswerDeadline&) = delete;
    AnswerDeadline& operator=(const AnswerDeadline&) = delete;
    ~AnswerDeadline();

    // Sets (or moves) the moment and the answer given then.
    void Arm(Clock::time_point when, PluginStateEnum state, const std::string& text);
    // Called by the check before it answers itself; from then on the thread stays
    // silent. Never returns when the thread has answered already: the process is
    // ending.
    void Claim();

private:
    void Watch();

    std::mutex mutex_;
    std::condition_variable changed_;
    bool armed_ = false;
    bool claimed_ = false;
    Clock::time_point when_{};
    PluginStateEnum state_ = PluginStateEnum::Unknown;
    std::string text_;
    std::thread watcher_;
};

}  // namespace VekPlugin
