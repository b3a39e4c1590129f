#include "ssh/ShellChannel.h"

#include <algorithm>
#include <csignal>
#include <utility>

#include "domain/Exceptions.h"
#include "ssh/SocketWait.h"
#include "ssh/SshClientErrors.h"

namespace Ssh {

namespace {

using VekLibrary::XTestTimeout;
using VekLibrary::VekDomain::Deadline;

constexpr unsigned int kWindowSize = 2 * 1024 * 1024;
constexpr unsigned int kPacketSize = 32768;
constexpr std::size_t kReadBufferSize = 4096;
// Reserving the capture up front spares the copies and fresh page faults of a
// string that grows step by step; untouched reserved pages cost no memory.
constexpr std::uint64_t kLargestReservation = 64u * 1024 * 1024;
constexpr const char* kPollFailure =
    "Error while reading data returned by SSH server on stdout (poll).";

// The signal names of the SSH connection protocol; servers may prefix them "SIG".
int SignalNumber(std::string name) {
    if (name.compare(0, 3, "SIG") == 0) {
        name.erase(0, 3);
    }
    static const std::pair<const char*, int> kSignals[] = {
        {"ABRT", SIGABRT}, {"ALRM", SIGALRM}, {"FPE", SIGFPE},   {"HUP", SIGHUP},
        {"ILL", SIGILL},   {"INT", SIGINT},   {"KILL", SIGKILL}, {"PIPE", SIGPIPE},
        {"QUIT", SIGQUIT}, {"SEGV", SIGSEGV}, {"TERM", SIGTERM}, {"USR1", SIGUSR1},
        {"USR2", SIGUSR2}};
    for (const auto& [signalName, number] : kSignals) {
        if (name == signalName) {
            return number;
        }
    }
    return 0;
}

bool HasExitSignal(LIBSSH2_CHANNEL* channel) {
    std::size_t length = 0;
    libssh2_channel_get_exit_signal(channel, nullptr, &length, nullptr, nullptr, nullptr, nullptr);
    return length > 0;
}

}  // namespace

ShellChannel::ShellChannel(LIBSSH2_SESSION* session, int descriptor)
    : session_(session), descriptor_(descriptor) {}

ShellChannel ShellChannel::Open(LIBSSH2_SESSION* session, int descriptor,
                                const Deadline& deadline) {
    ShellChannel shell(session, descriptor);
    CallUntilDone(session, descriptor, deadline, [&] {
        shell.channel_.reset(
            libssh2_channel_open_ex(session, "session", 7, kWindowSize, kPacketSize, nullptr, 0));
        return shell.channel_ ? 0 : libssh2_session_last_errno(session);
    });
    if (!shell.channel_) {
        throw XLibssh2Error("could not create channel for command execution.", LIBSSH2_ERROR_ALLOC);
    }
    const int rc = CallUntilDone(session, descriptor, deadline, [&] {
        return libssh2_channel_process_startup(shell.channel_.get(), "shell", 5, nullptr, 0);
    });
    if (rc < 0) {
        throw XLibssh2Error("Commands could not be executed.", rc);
    }
    return shell;
}

void ShellChannel::WriteCommands(const std::string& commands, const Deadline& deadline) {
    LIBSSH2_CHANNEL* channel = channel_.get();
    std::size_t sent = 0;
    bool closed = false;
    // The library sends at most one packet per call, so a long text takes many.
    const int rc = CallUntilDone(session_, descriptor_, deadline, [&]() -> int {
        while (sent < commands.size()) {
            const ssize_t written = libssh2_channel_write_ex(channel, 0, commands.data() + sent,
                                                             commands.size() - sent);
            if (written > 0) {
                sent += static_cast<std::size_t>(written);
                continue;
            }
            if (written != 0 && written != LIBSSH2_ERROR_EAGAIN) {
                return static_cast<int>(written);
            }
            // No room in the channel's window. A channel the server has closed will
            // never open it again.
            closed = libssh2_channel_wait_closed(channel) == 0;
            return closed ? 0 : LIBSSH2_ERROR_EAGAIN;
        }
        return 0;
    });
    if (closed) {
        throw XLibssh2Error("All commands could not be sent to the server.",
                            LIBSSH2_ERROR_CHANNEL_FAILURE);
    }
    if (rc == LIBSSH2_ERROR_TIMEOUT) {
        throw XTestTimeout("Writing commands to the remote shell timed out.");
    }
    if (rc < 0) {
        throw XLibssh2Error("Commands could not be executed.", rc);
    }
}

void ShellChannel::SendEndOfFile(const Deadline& deadline) {
    const int rc = CallUntilDone(session_, descriptor_, deadline,
                                 [&] { return libssh2_channel_send_eof(channel_.get()); });
    if (rc < 0) {
        throw XLibssh2Error("Could not send EOF on the channel.", rc);
    }
}

void ShellChannel::ReadOutput(std::uint64_t maximumBytes, const Deadline& deadline) {
    if (!channel_) {
        throw XLibssh2Error("Channel is null.", LIBSSH2_ERROR_ALLOC);
    }
    const LibraryDeadline libraryDeadline(deadline);
    buffer_.resize(
        static_cast<std::size_t>(std::min<std::uint64_t>(maximumBytes, kReadBufferSize)));
    outcome_.standardOutput.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>(maximumBytes, kLargestReservation - kReadBufferSize) +
        kReadBufferSize));
    const auto below = [&] { return outcome_.standardOutput.size() < maximumBytes; };
    bool endOfFile = libssh2_channel_eof(channel_.get()) != 0;
    while (below() && !deadline.HasPassed() && !endOfFile) {
        // Drain what the library already holds before waiting on the socket:
        // packets it read while the commands were sent are not on the socket any more.
        const bool outputDrained = ReadStandardOutput(maximumBytes, deadline);
        const bool errorDrained = ReadStandardError(maximumBytes, deadline);
        endOfFile = libssh2_channel_eof(channel_.get()) != 0;
        if (!endOfFile && below() && outputDrained && errorDrained) {
            WaitForOutput(deadline);
        }
    }
    if (endOfFile) {
        WaitForExitStatus(deadline);
    }
}

bool ShellChannel::ReadStandardOutput(std::uint64_t maximumBytes, const Deadline& deadline) {
    for (;;) {
        if (deadline.HasPassed()) {
            throw XTestTimeout("Reading stdout stopped due to timeout.");
        }
        if (outcome_.standardOutput.size() >= maximumBytes) {
            return false;
        }
        const ssize_t rc =
            libssh2_channel_read_ex(channel_.get(), 0, buffer_.data(), buffer_.size());
        if (rc == LIBSSH2_ERROR_EAGAIN) {
            return true;
        }
        if (rc == LIBSSH2_ERROR_TIMEOUT) {
            throw XTestTimeout("Reading data from the remote shell timed out.");
        }
        if (rc < 0) {
            throw XLibssh2Error("Error while reading data returned by SSH server on stdout.", rc);
        }
        if (rc == 0) {
            return false;
        }
        outcome_.standardOutput.append(buffer_.data(), static_cast<std::size_t>(rc));
    }
}

bool ShellChannel::ReadStandardError(std::uint64_t maximumBytes, const Deadline& deadline) {
    // Standard error is only drained and counted, up to the limit per pass.
    std::uint64_t sum = 0;
    bool drained = false;
    while (!deadline.HasPassed()) {
        const ssize_t rc = libssh2_channel_read_ex(channel_.get(), SSH_EXTENDED_DATA_STDERR,
                                                   buffer_.data(), buffer_.size());
        if (rc == LIBSSH2_ERROR_EAGAIN) {
            if (sum == 0) {
                return true;
            }
            drained = true;
            break;
        }
        if (rc == LIBSSH2_ERROR_TIMEOUT) {
            throw XTestTimeout("Reading stderr data from the remote shell timed out.");
        }
        if (rc < 0) {
            throw XLibssh2Error("Error while reading data returned by SSH server on stderr.", rc);
        }
        sum += static_cast<std::uint64_t>(rc);
        if (rc == 0 || sum >= maximumBytes) {
            break;
        }
    }
    outcome_.standardErrorBytes += sum;
    if (deadline.HasPassed()) {
        throw XTestTimeout("Reading stderr stopped due to timeout.");
    }
    return drained;
}

bool ShellChannel::WaitWhileReading(const Deadline& deadline) {
    const SocketWaitEnum wait = WaitForSocket(descriptor_, BlockedEvents(session_), deadline);
    if (wait == SocketWaitEnum::Failed) {
        throw XLibssh2Error(kPollFailure, LIBSSH2_ERROR_SOCKET_SEND);
    }
    return wait == SocketWaitEnum::Ready;
}

void ShellChannel::WaitForOutput(const Deadline& deadline) {
    if (!WaitWhileReading(deadline)) {
        throw XTestTimeout("Reading data from the remote shell timed out.");
    }
    const int pending = PendingSocketError(descriptor_);
    if (pending != 0) {
        throw XLibssh2Error(kPollFailure, pending < 0 ? LIBSSH2_ERROR_SOCKET_SEND
                                                      : LIBSSH2_ERROR_SOCKET_DISCONNECT);
    }
}

void ShellChannel::WaitForExitStatus(const Deadline& deadline) {
    // Servers often send the exit status after their end-of-file and always before
    // their close. A status of 0 cannot be told from none, so wait for the close.
    // A status that does not come by the deadline reads as 0; the deadline is the
    // caller's to report.
    LIBSSH2_CHANNEL* channel = channel_.get();
    while (libssh2_channel_get_exit_status(channel) == 0 && !HasExitSignal(channel)) {
        if (libssh2_channel_wait_closed(channel) != LIBSSH2_ERROR_EAGAIN ||
            !WaitWhileReading(deadline)) {
            return;
        }
    }
}

ShellChannel::Outcome ShellChannel::TakeOutcome() {
    Outcome outcome = std::move(outcome_);
    outcome_ = Outcome{};
    LIBSSH2_CHANNEL* channel = channel_.get();
    outcome.exitStatus = libssh2_channel_get_exit_status(channel);
    char* signalName = nullptr;
    std::size_t length = 0;
    if (libssh2_channel_get_exit_signal(channel, &signalName, &length, nullptr, nullptr, nullptr,
                                        nullptr) != 0 ||
        signalName == nullptr) {
        return outcome;
    }
    outcome.exitSignal.emplace(signalName, length);
    libssh2_free(session_, signalName);
    // The shells' convention for a command ended by a signal.
    const int number = SignalNumber(*outcome.exitSignal);
    if (number > 0) {
        outcome.exitStatus = 128 + number;
    }
    return outcome;
}

}  // namespace Ssh
