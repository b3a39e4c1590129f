#include "exporter/ConcurrencyLimit.h"

namespace VekExporter {

bool ConcurrencyLimit::Acquire(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!released_.wait_until(lock, deadline, [this] { return free_ > 0 || closed_; }) || closed_) {
        return false;
    }
    --free_;
    return true;
}

void ConcurrencyLimit::Release() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++free_;
    }
    released_.notify_one();
}

void ConcurrencyLimit::Close() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    released_.notify_all();
}

}  // namespace VekExporter
