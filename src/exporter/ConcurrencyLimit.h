#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace VekExporter {

// At most `limit` probes at once. A scrape waits for a free slot, but never past
// its deadline on the monotonic clock.
class ConcurrencyLimit final {
public:
    explicit ConcurrencyLimit(long limit) : free_(limit) {}

    // True when a slot was taken; the caller then calls Release once. False at the
    // deadline, or at once when the limit is closed.
    bool Acquire(std::chrono::steady_clock::time_point deadline);
    void Release();
    // Refuses every further Acquire and wakes those waiting (the exporter is ending).
    void Close();

private:
    std::mutex mutex_;
    std::condition_variable released_;
    long free_;
    bool closed_ = false;
};

// Holds one slot for a scope.
class ConcurrencySlot final {
public:
    ConcurrencySlot(ConcurrencyLimit& limit, std::chrono::steady_clock::time_point deadline)
        : limit_(limit), held_(limit.Acquire(deadline)) {}
    ConcurrencySlot(const ConcurrencySlot&) = delete;
    ConcurrencySlot& operator=(const ConcurrencySlot&) = delete;
    ~ConcurrencySlot() {
        if (held_) {
            limit_.Release();
        }
    }
    bool Held() const { return held_; }

private:
    ConcurrencyLimit& limit_;
    bool held_;
};

}  // namespace VekExporter
