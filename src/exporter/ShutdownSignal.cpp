#include "exporter/ShutdownSignal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace VekExporter {

ShutdownSignal::ShutdownSignal() : descriptor_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (descriptor_ < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

ShutdownSignal::~ShutdownSignal() {
    ::close(descriptor_);
}

void ShutdownSignal::Trigger() {
    bool expected = false;
    if (!triggered_.compare_exchange_strong(expected, true)) {
        return;
    }
    triggeredAt_.store(std::chrono::steady_clock::now().time_since_epoch().count());
    const eventfd_t one = 1;
    // Nothing reads the counter, so it stays readable for every poller.
    const ssize_t ignored = ::write(descriptor_, &one, sizeof one);
    static_cast<void>(ignored);
}

std::chrono::steady_clock::time_point ShutdownSignal::FinishBy() const {
    return std::chrono::steady_clock::time_point(
               std::chrono::steady_clock::duration(triggeredAt_.load())) +
           kFinishWithin;
}

}  // namespace VekExporter
