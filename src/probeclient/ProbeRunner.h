#pragma once

#include <string>

#include "probeclient/ChildProcess.h"

namespace VekProbeClient {

// How a child is watched to its end.
struct Supervision {
    // When the child is killed if it is still running.
    Clock::time_point deadline = Clock::time_point::max();
    // After SIGKILL, how long the child may take to end before the run returns
    // anyway and leaves it to the background reaper (only a child stuck in the
    // kernel takes that long).
    Clock::duration reapGrace = std::chrono::seconds(2);
    // When not -1: once it turns readable (an eventfd, say), the child may run
    // `stopGrace` longer, but not past the deadline; killed then (at either), its
    // outcome says KillReasonEnum::Stop.
    int stopDescriptor = -1;
    Clock::duration stopGrace{};
};

// Runs `child` to its end by `supervision`: feeds its input, collects both streams,
// kills it at the deadline (or the stop) and reaps it. Throws std::system_error
// when the child cannot be started or watched; the child is then killed and reaped.
ChildOutcome RunChild(const ChildCommand& child, const Supervision& supervision);

// The same for a child already started, from where it is.
ChildOutcome Supervise(ChildProcess& child, const Supervision& supervision);

// What a probe's standard error says about why it failed: its last "[ERR]" log
// line without the timestamp and levels, else its last non-empty line that is not
// a log line of a lower level ([DBG], [INF], [WRN]) or the one naming its process
// id; empty when there is none.
std::string ProbeComplaint(const std::string& standardError);

}  // namespace VekProbeClient
