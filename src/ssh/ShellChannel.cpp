#include "ssh/ShellChannel.h"

#include <algorithm>
#include <csignal>
#include <utility>

#include "domain/Exceptions.h"
#include "logger/StringFormat.h"
#include "ssh/SshClientErrors.h"

namespace Ssh {

namespace {

using VekLibrary::XTestTimeout;
using VekLibrary::VekDomain::Deadline;
using VekLibrary::VekLogger::LogLevelEnum;
using VekLibrary::VekLogger::StringFormat;

constexpr unsigned int kWindowSize = 2 * 1024 * 1024;
constexpr unsigned int kPacketSize = 32768;
constexpr std::size_t kReadBufferSize = 4096;
// Reserving the capture up front spares the copies and fresh page faults of a
// string that grows step by step; untouched reserved pages cost no memory.
constexpr std::uint64_t kLargestReservation = 64u * 1024 * 1024;
constexpr const char* kReadTimeout = "Reading data from the remote shell timed out.";

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

// The name of the signal that ended the shell, as the server sent it.
std::optional<std::string> ExitSignal(LIBSSH2_SESSION* session, LIBSSH2_CHANNEL* channel) {
    char* name = nullptr;
    std::size_t length = 0;
    if (libssh2_channel_get_exit_signal(channel, &name, &length, nullptr, nullptr, nullptr,
                                        nullptr) != 0 ||
        name == nullptr) {
        return std::nullopt;
    }
    std::string signal(name, length);
    libssh2_free(session, name);
    return signal;
}

}  // namespace

ShellChannel::ShellChannel(SessionSocket socket) : socket_(std::move(socket)) {}

ShellChannel ShellChannel::Open(const SessionSocket& socket, const Deadline& deadline) {
    ShellChannel shell(socket);
    CallUntilDone(socket, deadline, [&] {
        shell.channel_.reset(libssh2_channel_open_ex(socket.session, "session", 7, kWindowSize,
                                                     kPacketSize, nullptr, 0));
        return shell.channel_ ? 0 : libssh2_session_last_errno(socket.session);
    });
    if (!shell.channel_) {
        throw XLibssh2Error("could not create channel for command execution.", LIBSSH2_ERROR_ALLOC);
    }
    const int rc = CallUntilDone(socket, deadline, [&] {
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
    const int rc = CallUntilDone(socket_, deadline, [&]() -> int {
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
    const int rc =
        CallUntilDone(socket_, deadline, [&] { return libssh2_channel_send_eof(channel_.get()); });
    if (rc < 0) {
        throw XLibssh2Error("Could not send EOF on the channel.", rc);
    }
}

void ShellChannel::ReadOutput(std::uint64_t maximumBytes, const Deadline& deadline,
                              SshTestResult& result, VekLibrary::VekLogger::ILogger& logger) {
    logger.WriteLog(LogLevelEnum::Info, "Start Reading Data.");
    try {
        Read(maximumBytes, deadline);
    } catch (...) {
        // A time-out or read error keeps the output that had arrived: it shows
        // where the command hung.
        RecordOutcome(false, result, logger);
        throw;
    }
    RecordOutcome(true, result, logger);
}

void ShellChannel::Read(std::uint64_t maximumBytes, const Deadline& deadline) {
    if (!channel_) {
        throw XLibssh2Error("Channel is null.", LIBSSH2_ERROR_ALLOC);
    }
    buffer_.resize(
        static_cast<std::size_t>(std::min<std::uint64_t>(maximumBytes, kReadBufferSize)));
    standardOutput_.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>(maximumBytes, kLargestReservation - kReadBufferSize) +
        kReadBufferSize));
    int rc = CallUntilDone(socket_, deadline, [&] { return ReadPass(maximumBytes); });
    if (rc == 0 && libssh2_channel_eof(channel_.get()) != 0) {
        rc = WaitForExitStatus(deadline);
    }
    // Reading that ends only once the deadline has passed has used up the budget
    // all the same.
    if (rc == LIBSSH2_ERROR_TIMEOUT || deadline.HasPassed()) {
        throw XTestTimeout(kReadTimeout);
    }
}

bool ShellChannel::Finished(std::uint64_t maximumBytes) const {
    return standardOutput_.size() >= maximumBytes || libssh2_channel_eof(channel_.get()) != 0;
}

int ShellChannel::ReadPass(std::uint64_t maximumBytes) {
    // Drains what the library already holds before the caller waits on the socket:
    // packets it read while the commands were sent are not on the socket any more.
    while (!Finished(maximumBytes)) {
        const bool outputDrained = ReadStandardOutput(maximumBytes);
        const bool errorDrained = ReadStandardError(maximumBytes);
        if (outputDrained && errorDrained && !Finished(maximumBytes)) {
            return LIBSSH2_ERROR_EAGAIN;
        }
    }
    return 0;
}

bool ShellChannel::ReadStandardOutput(std::uint64_t maximumBytes) {
    while (standardOutput_.size() < maximumBytes) {
        const ssize_t rc =
            libssh2_channel_read_ex(channel_.get(), 0, buffer_.data(), buffer_.size());
        if (rc == LIBSSH2_ERROR_EAGAIN) {
            return true;
        }
        if (rc == LIBSSH2_ERROR_TIMEOUT) {
            throw XTestTimeout(kReadTimeout);
        }
        if (rc < 0) {
            throw XLibssh2Error("Error while reading data returned by SSH server on stdout.", rc);
        }
        if (rc == 0) {
            return false;
        }
        standardOutput_.append(buffer_.data(), static_cast<std::size_t>(rc));
    }
    return false;
}

bool ShellChannel::ReadStandardError(std::uint64_t maximumBytes) {
    // Standard error is only drained and counted, up to the limit per pass.
    std::uint64_t sum = 0;
    for (;;) {
        const ssize_t rc = libssh2_channel_read_ex(channel_.get(), SSH_EXTENDED_DATA_STDERR,
                                                   buffer_.data(), buffer_.size());
        if (rc == LIBSSH2_ERROR_EAGAIN) {
            standardErrorBytes_ += sum;
            return true;
        }
        if (rc == LIBSSH2_ERROR_TIMEOUT) {
            throw XTestTimeout(kReadTimeout);
        }
        if (rc < 0) {
            throw XLibssh2Error("Error while reading data returned by SSH server on stderr.", rc);
        }
        sum += static_cast<std::uint64_t>(rc);
        if (rc == 0 || sum >= maximumBytes) {
            standardErrorBytes_ += sum;
            return false;
        }
    }
}

int ShellChannel::WaitForExitStatus(const Deadline& deadline) {
    // A status of 0 cannot be told from none, so only the close ends the wait for it.
    LIBSSH2_CHANNEL* channel = channel_.get();
    return CallUntilDone(socket_, deadline, [channel] {
        if (libssh2_channel_get_exit_status(channel) != 0 || HasExitSignal(channel)) {
            return 0;
        }
        return libssh2_channel_wait_closed(channel) == LIBSSH2_ERROR_EAGAIN
                   ? static_cast<int>(LIBSSH2_ERROR_EAGAIN)
                   : 0;
    });
}

void ShellChannel::RecordOutcome(bool complete, SshTestResult& result,
                                 VekLibrary::VekLogger::ILogger& logger) {
    LIBSSH2_CHANNEL* channel = channel_.get();
    int exitStatus = channel != nullptr ? libssh2_channel_get_exit_status(channel) : 0;
    const std::optional<std::string> signal =
        channel != nullptr ? ExitSignal(socket_.session, channel) : std::nullopt;
    if (signal) {
        logger.WriteLog(LogLevelEnum::Info,
                        StringFormat("The remote shell was ended by signal {}.", *signal));
        // The shells' convention for a command ended by a signal.
        const int number = SignalNumber(*signal);
        if (number > 0) {
            exitStatus = 128 + number;
        }
    }
    if (complete || exitStatus != 0 || signal) {
        result.SetCommandExecutionReturnCode(std::to_string(exitStatus));
    }
    logger.WriteLog(
        LogLevelEnum::Info,
        StringFormat(
            "End Reading Data.Total stdout bytes received: {}.Total stderr bytes read: {}.",
            standardOutput_.size(), standardErrorBytes_));
    // Moved, not copied: the output may be many megabytes.
    result.SetCommandResultSize(standardOutput_.size());
    result.SetCommandExecutionResult(std::move(standardOutput_));
    standardOutput_.clear();
}

}  // namespace Ssh
