#include "exporter/ProbeRunner.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "exporter/ChildSpawn.h"
#include "exporter/Log.h"
#include "exporter/MaskSecrets.h"
#include "exporter/SystemError.h"

namespace VekExporter {

namespace {

using Clock = std::chrono::steady_clock;

// After SIGKILL, how long the child may take to end before it is left to a
// background reaper (only a child stuck in an uninterruptible wait takes that long).
constexpr std::chrono::seconds kReapGrace{3};
// How much of standard error is kept to find its last line.
constexpr std::size_t kErrorTailBytes = 16384;

enum class Drain { Open, Closed };

// Appends what is readable now to `into`, keeping at most `limit` bytes. Closes
// the descriptor at end of input or on an error.
Drain ReadAvailable(int& descriptor, std::string& into, std::size_t limit, bool keepTail) {
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count > 0) {
            into.append(buffer, static_cast<std::size_t>(count));
            if (into.size() > limit) {
                into.erase(keepTail ? 0 : limit, into.size() - limit);
                if (!keepTail) {
                    return Drain::Closed;
                }
            }
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            return Drain::Open;
        }
        CloseDescriptor(descriptor);
        return Drain::Open;
    }
}

// Writes what the pipe takes now; closes it when all is written or the child is gone.
void WriteAvailable(int& descriptor, const std::string& input, std::size_t& written) {
    while (written < input.size()) {
        const ssize_t count = ::write(descriptor, input.data() + written, input.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;
        }
        break;
    }
    CloseDescriptor(descriptor);
}

std::string LastLine(const std::string& text) {
    std::size_t end = text.find_last_not_of("\r\n");
    if (end == std::string::npos) {
        return "";
    }
    const std::size_t begin = text.rfind('\n', end);
    return text.substr(begin == std::string::npos ? 0 : begin + 1,
                       end - (begin == std::string::npos ? 0 : begin + 1) + 1);
}

int MillisecondsUntil(Clock::time_point moment) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(moment - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60000));
}

void RecordStatus(const siginfo_t& info, ProbeRunOutcome& outcome) {
    if (info.si_code == CLD_EXITED) {
        outcome.exited = true;
        outcome.exitCode = info.si_status;
    } else {
        outcome.signal = info.si_status;
    }
}

void CloseAll(SpawnedChild& child) {
    for (int* descriptor :
         {&child.stdinWrite, &child.stdoutRead, &child.stderrRead, &child.pidDescriptor}) {
        CloseDescriptor(*descriptor);
    }
}

}  // namespace

ProbeRunOutcome ProbeRunner::Run(const ProbeRunRequest& request) {
    const Clock::time_point start = Clock::now();
    SpawnedChild child = SpawnChild(request.executable);
    ++*running_;

    ProbeRunOutcome outcome;
    std::string errorTail;
    bool reaped = false;
    try {
        reaped = Supervise(child, request, outcome, errorTail);
    } catch (...) {
        ::kill(child.pid, SIGKILL);
        ::waitpid(child.pid, nullptr, 0);
        reaped = true;
        CloseAll(child);
        --*running_;
        throw;
    }
    CloseAll(child);
    if (reaped) {
        --*running_;
    } else {
        // Killed but not yet ended: a detached waiter reaps it whenever it ends, so
        // no zombie stays behind and the scrape is answered now.
        LogError("probe process " + std::to_string(child.pid) +
                 " did not end after SIGKILL; it will be reaped in the background");
        std::thread([pid = child.pid, running = running_] {
            ::waitpid(pid, nullptr, 0);
            --*running;
        }).detach();
    }
    outcome.lastErrorLine = MaskSecrets(LastLine(errorTail), request.secrets);
    outcome.elapsed = Clock::now() - start;
    return outcome;
}

bool ProbeRunner::Supervise(SpawnedChild& child, const ProbeRunRequest& request,
                            ProbeRunOutcome& outcome, std::string& errorTail) const {
    std::size_t written = 0;
    bool reaped = false;
    Clock::time_point killAt = request.killAt;
    Clock::time_point giveUpAt = Clock::time_point::max();
    const auto killNow = [&] {
        if (!reaped && !outcome.killed) {
            ::kill(child.pid, SIGKILL);
            outcome.killed = true;
        }
        giveUpAt = std::min(giveUpAt, Clock::now() + kReapGrace);
    };
    for (;;) {
        if (shutdown_.Triggered()) {
            killAt = std::min(killAt, shutdown_.FinishBy());
        }
        if (Clock::now() >= killAt) {
            killNow();
        }
        const bool streamsOpen = child.stdoutRead >= 0 || child.stderrRead >= 0;
        if ((reaped && !streamsOpen) || Clock::now() >= giveUpAt) {
            return reaped;
        }
        pollfd descriptors[5] = {
            {child.stdoutRead, POLLIN, 0},
            {child.stderrRead, POLLIN, 0},
            {child.stdinWrite, POLLOUT, 0},
            {reaped ? -1 : child.pidDescriptor, POLLIN, 0},
            {shutdown_.Triggered() ? -1 : shutdown_.Descriptor(), POLLIN, 0},
        };
        // Once the kill moment has passed, the next one is the end of the reap grace.
        const int timeout =
            MillisecondsUntil(Clock::now() >= killAt ? giveUpAt : std::min(killAt, giveUpAt));
        if (::poll(descriptors, 5, timeout) < 0 && errno != EINTR) {
            ThrowErrno("poll");
        }
        if (child.stdinWrite >= 0 && descriptors[2].revents != 0) {
            WriteAvailable(child.stdinWrite, request.input, written);
        }
        if (child.stdoutRead >= 0 && descriptors[0].revents != 0 &&
            ReadAvailable(child.stdoutRead, outcome.standardOutput, request.maxDocumentBytes,
                          false) == Drain::Closed) {
            killNow();  // A document this large is not one.
            CloseDescriptor(child.stdoutRead);
        }
        if (child.stderrRead >= 0 && descriptors[1].revents != 0) {
            ReadAvailable(child.stderrRead, errorTail, kErrorTailBytes, true);
        }
        if (!reaped && descriptors[3].revents != 0) {
            siginfo_t info{};
            if (::waitid(P_PID, static_cast<id_t>(child.pid), &info, WEXITED | WNOHANG) == 0 &&
                info.si_pid == child.pid) {
                RecordStatus(info, outcome);
                reaped = true;
                // Whatever the child did not read will never be read.
                CloseDescriptor(child.stdinWrite);
            }
        }
    }
}

}  // namespace VekExporter
