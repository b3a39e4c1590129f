#pragma once

#include <atomic>
#include <chrono>

namespace VekExporter {

// Tells every running probe that the exporter is ending. Its descriptor (an
// eventfd) turns readable once Trigger has been called and stays so, so any number
// of probes can poll it next to their pipes. Owned by the exporter; probes borrow it.
class ShutdownSignal final {
public:
    // How long running probes may go on after the exporter was told to end.
    static constexpr std::chrono::milliseconds kFinishWithin{4500};

    // Throws std::system_error when no eventfd can be made.
    ShutdownSignal();
    ShutdownSignal(const ShutdownSignal&) = delete;
    ShutdownSignal& operator=(const ShutdownSignal&) = delete;
    ~ShutdownSignal();

    // Idempotent; the first call fixes the moment.
    void Trigger();
    bool Triggered() const { return triggered_.load(); }
    int Descriptor() const { return descriptor_; }
    // When running probes must have ended; meaningful once triggered.
    std::chrono::steady_clock::time_point FinishBy() const;

private:
    int descriptor_;
    std::atomic<bool> triggered_{false};
    std::atomic<std::chrono::steady_clock::rep> triggeredAt_{0};
};

}  // namespace VekExporter
