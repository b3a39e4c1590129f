#include "probeclient/ProbeRunner.h"

#include <re2/re2.h>

#include <algorithm>

namespace VekProbeClient {

ChildOutcome Supervise(ChildProcess& child, const Supervision& supervision) {
    using PumpEnum = ChildProcess::PumpEnum;
    PumpEnum pumped = child.Pump(supervision.deadline, supervision.stopDescriptor);
    if (pumped == PumpEnum::Stopped) {
        const Clock::time_point stopAt =
            std::min(supervision.deadline, Clock::now() + supervision.stopGrace);
        pumped = child.Pump(stopAt);
        // Once the stop came, the child is killed for it, even when its own deadline
        // fell within the grace.
        if (pumped == PumpEnum::TimeUp) {
            child.Kill(KillReasonEnum::Stop);
        }
    } else if (pumped == PumpEnum::TimeUp) {
        child.Kill(KillReasonEnum::Deadline);
    }
    if (pumped != PumpEnum::Finished) {
        child.Pump(Clock::now() + supervision.reapGrace);
    }
    return child.TakeOutcome();
}

ChildOutcome RunChild(const ChildCommand& command, const Supervision& supervision) {
    ChildProcess child(command);
    return Supervise(child, supervision);
}

std::string ProbeComplaint(const std::string& standardError) {
    std::string last;
    std::string lastError;
    std::size_t begin = 0;
    while (begin < standardError.size()) {
        std::size_t end = standardError.find('\n', begin);
        if (end == std::string::npos) {
            end = standardError.size();
        }
        const std::string line = standardError.substr(begin, end - begin);
        // A probe's log line of a lower level, or the line with its process id, says
        // what went well, never why it failed.
        static const RE2 kInformation(
            "^(?:[0-9-]+ [0-9:.]+ \\[(?:DBG|INF|WRN)\\]|\\[SSH VEK\\] Current process ID: )");
        if (!line.empty() && line != "\r" && !RE2::PartialMatch(line, kInformation)) {
            last = line;
            const std::size_t level = line.find("[ERR]");
            if (level != std::string::npos) {
                const std::size_t text = line.find("] ", level + 5);
                lastError = text == std::string::npos ? line : line.substr(text + 2);
            }
        }
        begin = end + 1;
    }
    return lastError.empty() ? last : lastError;
}

}  // namespace VekProbeClient
