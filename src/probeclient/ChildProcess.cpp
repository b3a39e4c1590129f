#include "probeclient/ChildProcess.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <system_error>
#include <thread>

#include "probeclient/ChildSpawn.h"

namespace VekProbeClient {

namespace {

std::atomic<long> running{0};

int MillisecondsUntil(Clock::time_point moment) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(moment - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60000));
}

enum class Drain { Open, Closed, Full };

// Appends what is readable now to `into`. Closes the descriptor at end of input or
// on an error. With `keepTail`, only the last `limit` bytes are kept; otherwise
// reading stops at `limit` (Full).
Drain ReadAvailable(int& descriptor, std::string& into, std::size_t limit, bool keepTail) {
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count > 0) {
            into.append(buffer, static_cast<std::size_t>(count));
            if (into.size() > limit && !keepTail) {
                into.resize(limit);
                return Drain::Full;
            }
            // Trimmed in steps of `limit`, so that a flood costs linear time.
            if (keepTail && into.size() > 2 * limit) {
                into.erase(0, into.size() - limit);
            }
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            return Drain::Open;
        }
        CloseDescriptor(descriptor);
        return Drain::Closed;
    }
}

void IgnoreSigpipeOnce() {
    static std::once_flag ignored;
    std::call_once(ignored, [] { ::signal(SIGPIPE, SIG_IGN); });
}

}  // namespace

ChildProcess::ChildProcess(const ChildCommand& command)
    : input_(command.input),
      holdInputOpen_(command.holdInputOpen),
      maxOutputBytes_(command.maxOutputBytes),
      maxErrorBytes_(command.maxErrorBytes) {
    IgnoreSigpipeOnce();
    const SpawnedChild child = SpawnChild(command);
    start_ = Clock::now();
    ++running;
    outcome_.pid = child.pid;
    pidDescriptor_ = child.pidDescriptor;
    stdinWrite_ = child.stdinWrite;
    stdoutRead_ = child.stdoutRead;
    stderrRead_ = child.stderrRead;
    if (input_.GetText().empty() && !holdInputOpen_) {
        CloseDescriptor(stdinWrite_);
    }
}

ChildProcess::~ChildProcess() {
    for (int* descriptor : {&stdinWrite_, &stdoutRead_, &stderrRead_, &pidDescriptor_}) {
        CloseDescriptor(*descriptor);
    }
    if (!outcome_.reaped) {
        ::kill(outcome_.pid, SIGKILL);
        // Reaped whenever it ends, so that no zombie stays behind and the caller
        // does not wait for a child stuck in the kernel.
        std::thread([pid = outcome_.pid] {
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
            --running;
        }).detach();
    }
}

long ChildProcess::Running() {
    return running.load();
}

ChildProcess::PumpEnum ChildProcess::Pump(Clock::time_point until, int stopDescriptor) {
    for (;;) {
        if (outcome_.reaped && stdoutRead_ < 0 && stderrRead_ < 0) {
            return PumpEnum::Finished;
        }
        if (Clock::now() >= until) {
            return PumpEnum::TimeUp;
        }
        const bool feeding = stdinWrite_ >= 0 && written_ < input_.GetText().size();
        pollfd descriptors[5] = {
            {stdoutRead_, POLLIN, 0},
            {stderrRead_, POLLIN, 0},
            {feeding ? stdinWrite_ : -1, POLLOUT, 0},
            {outcome_.reaped ? -1 : pidDescriptor_, POLLIN, 0},
            {stopDescriptor, POLLIN, 0},
        };
        if (::poll(descriptors, 5, MillisecondsUntil(until)) < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::system_error(errno, std::generic_category(), "poll");
        }
        if (descriptors[2].revents != 0) {
            WriteInput();
        }
        if (descriptors[0].revents != 0) {
            ReadOutput();
        }
        if (descriptors[1].revents != 0) {
            ReadError();
        }
        if (descriptors[3].revents != 0) {
            TryReap();
        }
        if (descriptors[4].revents != 0) {
            return PumpEnum::Stopped;
        }
    }
}

void ChildProcess::WriteInput() {
    const std::string& input = input_.GetText();
    while (written_ < input.size()) {
        const ssize_t count =
            ::write(stdinWrite_, input.data() + written_, input.size() - written_);
        if (count > 0) {
            written_ += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;
        }
        // The child closed its end: it will never read the rest.
        CloseDescriptor(stdinWrite_);
        return;
    }
    if (!holdInputOpen_) {
        CloseDescriptor(stdinWrite_);
    }
}

void ChildProcess::ReadOutput() {
    if (ReadAvailable(stdoutRead_, outcome_.standardOutput, maxOutputBytes_, false) ==
        Drain::Full) {
        // A document this large is not one.
        Kill(KillReasonEnum::OutputTooLarge);
        CloseDescriptor(stdoutRead_);
    }
}

void ChildProcess::ReadError() {
    ReadAvailable(stderrRead_, outcome_.standardError, maxErrorBytes_, true);
}

void ChildProcess::TryReap() {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(outcome_.pid), &info, WEXITED | WNOHANG) != 0 ||
        info.si_pid != outcome_.pid) {
        return;
    }
    end_ = Clock::now();
    outcome_.reaped = true;
    --running;
    if (info.si_code == CLD_EXITED) {
        outcome_.exited = true;
        outcome_.exitCode = info.si_status;
    } else {
        outcome_.signal = info.si_status;
    }
    // Whatever the child did not read will never be read.
    CloseDescriptor(stdinWrite_);
}

void ChildProcess::Kill(KillReasonEnum reason) {
    if (outcome_.reaped || outcome_.killed != KillReasonEnum::None) {
        return;
    }
    ::kill(outcome_.pid, SIGKILL);
    outcome_.killed = reason;
}

void ChildProcess::CloseOutput() {
    CloseDescriptor(stdoutRead_);
}

ChildOutcome ChildProcess::TakeOutcome() {
    std::string& error = outcome_.standardError;
    if (error.size() > maxErrorBytes_) {
        error.erase(0, error.size() - maxErrorBytes_);
    }
    outcome_.elapsed = (outcome_.reaped ? end_ : Clock::now()) - start_;
    // The moved-from outcome keeps its pid and reaped flag for the destructor.
    return std::move(outcome_);
}

}  // namespace VekProbeClient
