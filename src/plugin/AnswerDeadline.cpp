#include "plugin/AnswerDeadline.h"

#include <unistd.h>

namespace VekPlugin {

AnswerDeadline::AnswerDeadline() : watcher_([this] { Watch(); }) {}

AnswerDeadline::~AnswerDeadline() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        claimed_ = true;
    }
    changed_.notify_all();
    watcher_.join();
}

void AnswerDeadline::Arm(Clock::time_point when, PluginStateEnum state, const std::string& text) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        armed_ = true;
        when_ = when;
        state_ = state;
        text_ = text;
    }
    changed_.notify_all();
}

void AnswerDeadline::Claim() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!claimed_) {
            claimed_ = true;
            changed_.notify_all();
            return;
        }
    }
    // The thread answers and ends the process; this waits for that, bounded so that
    // no wait in the program is unbounded.
    std::this_thread::sleep_for(std::chrono::seconds(5));
    ::_exit(static_cast<int>(PluginStateEnum::Unknown));
}

void AnswerDeadline::Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!claimed_) {
        if (!armed_) {
            changed_.wait(lock);
        } else if (changed_.wait_until(lock, when_) == std::cv_status::timeout &&
                   Clock::now() >= when_ && !claimed_) {
            claimed_ = true;
            std::size_t written = 0;
            while (written < text_.size()) {
                const ssize_t count =
                    ::write(STDOUT_FILENO, text_.data() + written, text_.size() - written);
                if (count <= 0) {
                    break;
                }
                written += static_cast<std::size_t>(count);
            }
            ::_exit(static_cast<int>(state_));
        }
    }
}

}  // namespace VekPlugin
