#include "ssh/SshClientImpl.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <utility>

#include "domain/CommonTestErrors.h"
#include "domain/Exceptions.h"
#include "domain/Milliseconds.h"
#include "logger/StringFormat.h"
#include "networking/NetworkErrors.h"
#include "networking/SocketType.h"
#include "result/SshTestErrorKeys.h"
#include "ssh/SessionFacts.h"
#include "ssh/SshClientErrors.h"
#include "ssh/UserAuthentication.h"
#include "ssh/XHostKeyMismatchError.h"
#include "ssh/event_handlers.h"

namespace Ssh {

namespace {

using VekLibrary::XBrokenInvariantsError;
using VekLibrary::XInvalidOperationError;
using VekLibrary::XTestTimeout;
using VekLibrary::Networking::XConnectError;
using VekLibrary::Networking::XNameResolutionError;
using VekLibrary::Networking::XSocketError;
using VekLibrary::VekDomain::Deadline;
using VekLibrary::VekDomain::Milliseconds;
using VekLibrary::VekLogger::LogLevelEnum;
using VekLibrary::VekLogger::StringFormat;
namespace CommonTestErrors = VekLibrary::VekDomain::DataKeys::CommonTestErrors;

constexpr int kTraceMaskForHints =
    LIBSSH2_TRACE_KEX | LIBSSH2_TRACE_AUTH | LIBSSH2_TRACE_ERROR | LIBSSH2_TRACE_PUBLICKEY;
constexpr unsigned int kChannelWindowSize = 2 * 1024 * 1024;
constexpr unsigned int kChannelPacketSize = 32768;
constexpr std::size_t kReadBufferSize = 4096;

bool IsValidTimeout(std::int64_t timeout) {
    return timeout >= 1 && timeout <= Milliseconds::kMaxCount;
}

enum class SocketWaitEnum { Ready, TimedOut, Failed };

// Waits until the socket can do what the library last blocked on (readability when
// it names nothing) or the deadline passes. A signal restarts the wait.
SocketWaitEnum WaitForSocket(LIBSSH2_SESSION* session, int descriptor, const Deadline& deadline) {
    const int directions = libssh2_session_block_directions(session);
    pollfd entry{};
    entry.fd = descriptor;
    if ((directions & LIBSSH2_SESSION_BLOCK_INBOUND) != 0) {
        entry.events |= POLLIN;
    }
    if ((directions & LIBSSH2_SESSION_BLOCK_OUTBOUND) != 0) {
        entry.events |= POLLOUT;
    }
    if (entry.events == 0) {
        entry.events = POLLIN;
    }
    for (;;) {
        const int timeout = deadline.PollTimeout();
        if (timeout == 0) {
            return SocketWaitEnum::TimedOut;
        }
        entry.revents = 0;
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0) {
            return SocketWaitEnum::Ready;
        }
        if (ready < 0 && errno != EINTR) {
            return SocketWaitEnum::Failed;
        }
    }
}

std::string ToLowerHex(const unsigned char* bytes, std::size_t count) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 0x0f]);
    }
    return text;
}

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

using ResultSetter = void (SshTestResult::*)(const Milliseconds&);
constexpr ResultSetter kStageSetters[] = {
    &SshTestResult::SetDnsDuration,
    &SshTestResult::SetConnectDuration,
    &SshTestResult::SetBannerExchangeDuration,
    &SshTestResult::SetKeyExchangeDuration,
    &SshTestResult::SetServiceRequestExchangeDuration,
    &SshTestResult::SetAuthenticationDuration,
    &SshTestResult::SetCommandExecutionDuration,
};

}  // namespace

SshClientImpl::SshClientImpl(
    std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategy> dnsStrategy,
    std::shared_ptr<VekLibrary::Networking::ILinuxNetworkingWrapper> networkingWrapper,
    const std::shared_ptr<ISshTestResultFactory>& testResultFactory,
    std::shared_ptr<VekLibrary::VekLogger::ILogger> logger)
    : dnsStrategy_(std::move(dnsStrategy)),
      networkingWrapper_(std::move(networkingWrapper)),
      logger_(std::move(logger)) {
    if (!dnsStrategy_) {
        throw XBrokenInvariantsError("dnsResolutionStrategy cannot be null.");
    }
    if (!networkingWrapper_) {
        throw XBrokenInvariantsError("linuxNetworkingWrapper cannot be null.");
    }
    if (!logger_) {
        throw XBrokenInvariantsError("Logger cannot be null.");
    }
    if (!testResultFactory) {
        throw XBrokenInvariantsError("testResultFactory cannot be null.");
    }
    testResultFactory->Create(testResult_);
}

template <typename Call>
int SshClientImpl::CallUntilDone(LIBSSH2_SESSION* session, int descriptor, const Deadline& deadline,
                                 Call call) {
    for (;;) {
        const int rc = call();
        if (rc != LIBSSH2_ERROR_EAGAIN) {
            return rc;
        }
        // A failing poll ends the call as the library's own wait would.
        if (WaitForSocket(session, descriptor, deadline) != SocketWaitEnum::Ready) {
            return LIBSSH2_ERROR_TIMEOUT;
        }
    }
}

std::int64_t SshClientImpl::Connect(const std::string& host, unsigned short port,
                                    VekLibrary::Networking::AddressFamilyEnum family,
                                    std::int64_t timeout) {
    if (!IsValidTimeout(timeout)) {
        throw XBrokenInvariantsError("Invalid timeout provided to Connect: " +
                                     std::to_string(timeout));
    }
    // An earlier session must go before its socket: the new socket may get the
    // same descriptor number, and the old session would talk into it.
    session_.reset();
    socket_.Close();
    bannerReceived_ = false;
    keyExchanged_ = false;

    Result().SetHostName(host);
    Result().SetPortNumber(port);
    timePoints_[kDns] = Clock::now();
    try {
        const Milliseconds budget(timeout);
        VekLibrary::Networking::AddressInfoList addresses = [&] {
            try {
                auto list =
                    dnsStrategy_->Resolve(host, std::to_string(port), family,
                                          VekLibrary::Networking::SocketType::Stream, budget);
                Result().SetHostAddress(networkingWrapper_->AddressAsString(list.GetCurrentNode()));
                EndStage(kDns);
                return list;
            } catch (const XNameResolutionError&) {
                EndStage(kDns);
                throw;
            } catch (const XTestTimeout&) {
                EndStage(kDns);
                throw;
            }
        }();

        const std::int64_t connectBudget = timeout - durations_[kDns];
        if (connectBudget < 1) {
            throw XTestTimeout("Name resolution used up the time budget.");
        }
        VekLibrary::Networking::SocketHandle socket;
        try {
            socket = CreateTcpConnection(addresses.GetCurrentNode(), connectBudget);
        } catch (const XConnectError&) {
            EndStage(kConnect);
            throw;
        } catch (const XTestTimeout&) {
            EndStage(kConnect);
            throw;
        }
        EndStage(kConnect);

        SessionPointer session = SshHandshake(socket, connectBudget - durations_[kConnect]);
        HostKeyPins::Verify(session.get(), expectedHostKeys_);
        socket_ = std::move(socket);
        session_ = std::move(session);
    } catch (const XNameResolutionError& error) {
        RecordFailure(CommonTestErrors::DnsResolutionError, error.what());
        throw XSshClientError("SshClient DNS error - " + std::string(error.what()));
    } catch (const XConnectError& error) {
        RecordFailure(CommonTestErrors::UnknownConnectFailureError, error.what());
        throw XSshClientError("SshClient TCP connection error - " + std::string(error.what()));
    } catch (const XLibssh2Error& error) {
        RecordFailure(SshTestErrorKeys::HandshakeFailureError, error.what());
        throw;
    } catch (const XTestTimeout& error) {
        RecordFailure(CommonTestErrors::TooMuchTimeError, error.what());
        throw XSshClientError("SshClient connect timeout - " + std::string(error.what()));
    } catch (const XHostKeyMismatchError& error) {
        RecordFailure(SshTestErrorKeys::HostKeyMismatchError, error.what());
        throw XSshClientError("SshClient host key mismatch - " + std::string(error.what()));
    }
    return timeout - ElapsedSince(timePoints_[kDns]);
}

VekLibrary::Networking::SocketHandle SshClientImpl::CreateTcpConnection(const addrinfo* address,
                                                                        std::int64_t timeout) {
    if (!IsValidTimeout(timeout)) {
        throw XBrokenInvariantsError("Invalid timeout value provided to CreateTcpConnection: " +
                                     std::to_string(timeout));
    }
    const Deadline deadline = Deadline::After(timeout);
    const std::string& hostAddress = Result().GetHostAddress();
    try {
        VekLibrary::Networking::SocketHandle socket(address);
        socket.MakeNonBlocking();
        const int descriptor = socket.GetSocketDescriptor();
        if (::connect(descriptor, address->ai_addr, address->ai_addrlen) != 0) {
            if (errno != EINPROGRESS) {
                throw XConnectError(hostAddress,
                                    std::string("Connection failed: ") + std::strerror(errno));
            }
            pollfd entry{};
            entry.fd = descriptor;
            entry.events = POLLOUT;
            for (;;) {
                const int pollTimeout = deadline.PollTimeout();
                if (pollTimeout == 0) {
                    throw XTestTimeout("Connection could not be created within " +
                                       std::to_string(timeout) + " ms.");
                }
                const int ready = ::poll(&entry, 1, pollTimeout);
                if (ready > 0) {
                    break;
                }
                if (ready < 0 && errno != EINTR) {
                    throw XConnectError(hostAddress,
                                        std::string("Poll error while establishing TCP "
                                                    "connection: ") +
                                            std::strerror(errno));
                }
            }
            int pending = 0;
            socklen_t length = sizeof(pending);
            if (::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &pending, &length) != 0) {
                throw XConnectError(hostAddress, std::string("Failed to retrieve socket error: ") +
                                                     std::strerror(errno));
            }
            if (pending != 0) {
                throw XConnectError(hostAddress,
                                    std::string("Connection failed: ") + std::strerror(pending));
            }
        }
        socket.MakeBlocking();
        // The SSH exchanges are small request/response packets; with Nagle's
        // algorithm each one can wait for the peer's delayed acknowledgement
        // (40 ms on Linux), several times per test. A failure only costs speed.
        const int noDelay = 1;
        ::setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
        logger_->WriteLog(LogLevelEnum::Info, "Connection established successfully.");
        return socket;
    } catch (const XSocketError& error) {
        throw XConnectError(hostAddress,
                            "Connection could not be created: " + std::string(error.what()));
    }
}

SshClientImpl::SessionPointer SshClientImpl::SshHandshake(
    VekLibrary::Networking::SocketHandle& socket, std::int64_t timeout) {
    // Without this check a budget used up by the earlier stages would leave the
    // handshake without any limit.
    if (timeout < 1) {
        throw XTestTimeout("SSH handshake timed out.");
    }
    const Deadline deadline = Deadline::After(timeout);
    const int descriptor = socket.GetSocketDescriptor();
    SessionPointer session(libssh2_session_init_ex(nullptr, nullptr, nullptr, nullptr),
                           Libssh2Deleter<LIBSSH2_SESSION>{descriptor});
    if (!session) {
        throw XLibssh2Error("Unable to create SSH session.", LIBSSH2_ERROR_ALLOC);
    }
    register_banner_received_handler(&BannerReceivedCallbackTrampoline, this);
    register_key_exchanged_handler(&KeyExchangedCallbackTrampoline, this);
    // The registration outlives this client; a later handshake on this thread must
    // not reach it. A null user pointer makes the trampolines do nothing.
    struct HookReset {
        ~HookReset() {
            register_banner_received_handler(&BannerReceivedCallbackTrampoline, nullptr);
            register_key_exchanged_handler(&KeyExchangedCallbackTrampoline, nullptr);
        }
    } hookReset;
    libssh2_trace_sethandler(session.get(), this, &TraceHandlerCallbackTrampoline);
    libssh2_trace(session.get(), traceMask_);
    libssh2_session_set_blocking(session.get(), 0);

    const int rc = CallUntilDone(session.get(), descriptor, deadline, [&] {
        return libssh2_session_handshake(session.get(), descriptor);
    });
    SessionFacts::RecordServerIdentification(session.get(), Result());
    if (keyExchanged_) {
        EndStage(kServiceRequest);
        SessionFacts::RecordNegotiatedAlgorithms(session.get(), Result());
    }
    if (rc == LIBSSH2_ERROR_TIMEOUT) {
        throw XTestTimeout("SSH handshake timed out.");
    }
    if (rc < 0) {
        throw XLibssh2Error("Ssh handshake failure.", rc);
    }
    if (keyExchanged_) {
        logger_->WriteLog(LogLevelEnum::Info, "Service request exchange completed successfully.");
    }
    logger_->WriteLog(LogLevelEnum::Info, "SSH handshake completed successfully.");
    RecordHostFingerprint(session.get());
    return session;
}

void SshClientImpl::RecordHostFingerprint(LIBSSH2_SESSION* session) {
    const char* hash = libssh2_hostkey_hash(session, LIBSSH2_HOSTKEY_HASH_SHA256);
    if (hash != nullptr) {
        constexpr std::size_t kSha256Bytes = 32;
        Result().SetHostFingerprint(
            ToLowerHex(reinterpret_cast<const unsigned char*>(hash), kSha256Bytes));
    }
}

std::int64_t SshClientImpl::AuthenticateUser(const std::string& userName,
                                             const std::string& password, std::int64_t timeout) {
    if (!session_) {
        throw XLibssh2Error("User cannot be authenticated before creating a session.",
                            LIBSSH2_ERROR_BAD_USE);
    }
    if (!IsValidTimeout(timeout)) {
        throw XBrokenInvariantsError("Invalid timeout value provided to AuthenticateUser: " +
                                     std::to_string(timeout));
    }
    const Deadline deadline = Deadline::After(timeout);
    UserAuthentication authentication(session_.get(), [&](const std::function<int()>& call) {
        return CallUntilDone(session_.get(), socket_.GetSocketDescriptor(), deadline, call);
    });
    const int rc = authentication.Authenticate(userName, password, privateKey_);
    EndStage(kAuthentication);
    if (rc < 0) {
        const std::string& key =
            rc == LIBSSH2_ERROR_PASSWORD_EXPIRED ? SshTestErrorKeys::PasswordExpiredError
            : rc == LIBSSH2_ERROR_TIMEOUT        ? CommonTestErrors::TooMuchTimeError
                                                 : SshTestErrorKeys::AuthenticationFailedError;
        RecordFailure(key, "User authentication failed with status: " + std::to_string(rc));
        throw XLibssh2Error("User authentication failed.", rc);
    }
    logger_->WriteLog(LogLevelEnum::Info, "User has been authenticated successfully.");
    return timeout - durations_[kAuthentication];
}

std::int64_t SshClientImpl::ExecuteCommands(const std::string& commands, unsigned long maximumBytes,
                                            std::int64_t timeout) {
    if (!session_) {
        throw XLibssh2Error("Cannot execute commands before establishing a session.",
                            LIBSSH2_ERROR_BAD_USE);
    }
    if (!IsValidTimeout(timeout)) {
        throw XBrokenInvariantsError("Invalid timeout value provided to ExecuteCommands: " +
                                     std::to_string(timeout));
    }
    if (commands.empty()) {
        return timeout;
    }
    const Clock::time_point start = Clock::now();
    try {
        ChannelPointer channel = CreateChannelAndWriteCommands(
            commands, Deadline(start + std::chrono::milliseconds(timeout)));
        ReadServerResponse(std::move(channel), timeout - ElapsedSince(start), maximumBytes);
    } catch (const XLibssh2Error& error) {
        EndStage(kCommandExecution);
        RecordFailure(SshTestErrorKeys::CommandExecutionFailedError, error.what());
        throw;
    } catch (const XTestTimeout& error) {
        EndStage(kCommandExecution);
        RecordFailure(SshTestErrorKeys::CommandExecutionTimeoutError, error.what());
        throw XSshClientError("SshClient command execution timeout - " + std::string(error.what()));
    }
    return timeout - ElapsedSince(start);
}

SshClientImpl::ChannelPointer SshClientImpl::CreateChannelAndWriteCommands(
    const std::string& commands, const Deadline& deadline) {
    LIBSSH2_SESSION* session = session_.get();
    const int descriptor = socket_.GetSocketDescriptor();
    ChannelPointer channel;
    CallUntilDone(session, descriptor, deadline, [&] {
        channel.reset(libssh2_channel_open_ex(session, "session", 7, kChannelWindowSize,
                                              kChannelPacketSize, nullptr, 0));
        return channel ? 0 : libssh2_session_last_errno(session);
    });
    if (!channel) {
        throw XLibssh2Error("could not create channel for command execution.", LIBSSH2_ERROR_ALLOC);
    }
    int rc = CallUntilDone(session, descriptor, deadline, [&] {
        return libssh2_channel_process_startup(channel.get(), "shell", 5, nullptr, 0);
    });
    if (rc < 0) {
        throw XLibssh2Error("Commands could not be executed.", rc);
    }
    WriteCommands(channel.get(), commands, deadline);
    logger_->WriteLog(LogLevelEnum::Info, "Commands written to shell for execution.");
    rc = CallUntilDone(session, descriptor, deadline,
                       [&] { return libssh2_channel_send_eof(channel.get()); });
    if (rc < 0) {
        throw XLibssh2Error("Could not send EOF on the channel.", rc);
    }
    return channel;
}

void SshClientImpl::WriteCommands(LIBSSH2_CHANNEL* channel, const std::string& commands,
                                  const Deadline& deadline) {
    // The library sends at most one packet per call, so a long text takes many.
    std::size_t sent = 0;
    while (sent < commands.size()) {
        const ssize_t rc =
            libssh2_channel_write_ex(channel, 0, commands.data() + sent, commands.size() - sent);
        if (rc > 0) {
            sent += static_cast<std::size_t>(rc);
            continue;
        }
        if (rc == LIBSSH2_ERROR_TIMEOUT) {
            throw XTestTimeout("Writing commands to the remote shell timed out.");
        }
        if (rc < 0 && rc != LIBSSH2_ERROR_EAGAIN) {
            throw XLibssh2Error("Commands could not be executed.", rc);
        }
        // No room in the channel's window. A channel the server has closed will
        // never open it again.
        if (libssh2_channel_wait_closed(channel) == 0) {
            throw XLibssh2Error("All commands could not be sent to the server.",
                                LIBSSH2_ERROR_CHANNEL_FAILURE);
        }
        if (WaitForSocket(session_.get(), socket_.GetSocketDescriptor(), deadline) !=
            SocketWaitEnum::Ready) {
            throw XTestTimeout("Writing commands to the remote shell timed out.");
        }
    }
}

void SshClientImpl::ReadServerResponse(ChannelPointer channel, std::int64_t timeout,
                                       unsigned long maximumBytes) {
    if (!channel) {
        throw XLibssh2Error("Channel is null.", LIBSSH2_ERROR_ALLOC);
    }
    readBuffer_.resize(std::min<std::size_t>(maximumBytes, kReadBufferSize));
    libssh2_session_set_blocking(session_.get(), 0);
    const Clock::time_point readStart = Clock::now();
    const Deadline deadline(readStart + std::chrono::milliseconds(timeout));
    logger_->WriteLog(LogLevelEnum::Info, "Start Reading Data.");

    std::int64_t left = timeout;
    bool endOfFile = libssh2_channel_eof(channel.get()) != 0;
    // A time-out or read error keeps the output that had arrived.
    try {
        while (standardOutputBytes_ < maximumBytes && left > 0 && !endOfFile) {
            // Drain what the library already holds before waiting on the socket: packets
            // it read while the commands were sent are not on the socket any more.
            const bool outputDrained = ReadStandardOutput(channel.get(), maximumBytes, deadline);
            const bool errorDrained = ReadStandardError(channel.get(), maximumBytes, deadline);
            endOfFile = libssh2_channel_eof(channel.get()) != 0;
            if (!endOfFile && standardOutputBytes_ < maximumBytes && outputDrained &&
                errorDrained) {
                WaitForOutput(deadline);
            }
            left = timeout - ElapsedSince(readStart);
        }
        if (endOfFile) {
            WaitForExitStatus(channel.get(), deadline);
        }
    } catch (...) {
        KeepOutputOfFailedRead(channel.get());
        throw;
    }

    EndStage(kCommandExecution);
    TakeExitStatus(channel.get());
    // Out of time, the return code is reported only when the exit status has arrived.
    if (timeout - ElapsedSince(readStart) > 0 || ExitStatusArrived(channel.get())) {
        Result().SetCommandExecutionReturnCode(std::to_string(exitStatus_));
    }
    logger_->WriteLog(
        LogLevelEnum::Info,
        StringFormat(
            "End Reading Data.Total stdout bytes received: {}.Total stderr bytes read: {}.",
            standardOutputBytes_, standardErrorBytes_));
    // Moved, not copied: the output may be many megabytes.
    Result().SetCommandResultSize(standardOutput_.size());
    Result().SetCommandExecutionResult(std::move(standardOutput_));
    standardOutput_.clear();
    if (timeout - ElapsedSince(readStart) <= 0) {
        throw XTestTimeout("Reading data from the remote shell timed out.");
    }
}

bool SshClientImpl::ReadStandardOutput(LIBSSH2_CHANNEL* channel, unsigned long maximumBytes,
                                       const Deadline& deadline) {
    for (;;) {
        if (deadline.HasPassed()) {
            throw XTestTimeout("Reading stdout stopped due to timeout.");
        }
        if (standardOutputBytes_ >= maximumBytes) {
            return false;
        }
        const ssize_t rc =
            libssh2_channel_read_ex(channel, 0, readBuffer_.data(), readBuffer_.size());
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
        standardOutput_.append(readBuffer_.data(), static_cast<std::size_t>(rc));
        standardOutputBytes_ += static_cast<std::uint64_t>(rc);
    }
}

bool SshClientImpl::ReadStandardError(LIBSSH2_CHANNEL* channel, unsigned long maximumBytes,
                                      const Deadline& deadline) {
    // Standard error is only drained and counted, up to the limit per pass.
    std::uint64_t sum = 0;
    bool drained = false;
    while (!deadline.HasPassed()) {
        const ssize_t rc = libssh2_channel_read_ex(channel, SSH_EXTENDED_DATA_STDERR,
                                                   readBuffer_.data(), readBuffer_.size());
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
    standardErrorBytes_ += sum;
    if (deadline.HasPassed()) {
        throw XTestTimeout("Reading stderr stopped due to timeout.");
    }
    return drained;
}

void SshClientImpl::WaitForOutput(const Deadline& deadline) {
    const int descriptor = socket_.GetSocketDescriptor();
    const SocketWaitEnum wait = WaitForSocket(session_.get(), descriptor, deadline);
    if (wait == SocketWaitEnum::TimedOut) {
        throw XTestTimeout("Reading data from the remote shell timed out.");
    }
    int pending = 0;
    socklen_t length = sizeof(pending);
    if (wait == SocketWaitEnum::Failed ||
        ::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &pending, &length) != 0) {
        throw XLibssh2Error("Error while reading data returned by SSH server on stdout (poll).",
                            LIBSSH2_ERROR_SOCKET_SEND);
    }
    if (pending != 0) {
        throw XLibssh2Error("Error while reading data returned by SSH server on stdout (poll).",
                            LIBSSH2_ERROR_SOCKET_DISCONNECT);
    }
}

void SshClientImpl::WaitForExitStatus(LIBSSH2_CHANNEL* channel, const Deadline& deadline) {
    // Servers often send the exit status after their end-of-file and always before
    // their close. A status of 0 cannot be told from none, so wait for the close.
    while (libssh2_channel_get_exit_status(channel) == 0 && !HasExitSignal(channel)) {
        const int rc = libssh2_channel_wait_closed(channel);
        if (rc != LIBSSH2_ERROR_EAGAIN) {
            return;
        }
        if (WaitForSocket(session_.get(), socket_.GetSocketDescriptor(), deadline) !=
            SocketWaitEnum::Ready) {
            return;
        }
    }
}

void SshClientImpl::KeepOutputOfFailedRead(LIBSSH2_CHANNEL* channel) {
    if (ExitStatusArrived(channel)) {
        TakeExitStatus(channel);
        Result().SetCommandExecutionReturnCode(std::to_string(exitStatus_));
    }
    Result().SetCommandResultSize(standardOutput_.size());
    Result().SetCommandExecutionResult(std::move(standardOutput_));
    standardOutput_.clear();
}

// An exit status of 0 cannot be told from none; only a non-zero status or an exit
// signal shows that it has arrived.
bool SshClientImpl::ExitStatusArrived(LIBSSH2_CHANNEL* channel) {
    return libssh2_channel_get_exit_status(channel) != 0 || HasExitSignal(channel);
}

void SshClientImpl::TakeExitStatus(LIBSSH2_CHANNEL* channel) {
    exitStatus_ = libssh2_channel_get_exit_status(channel);
    char* signalName = nullptr;
    std::size_t length = 0;
    if (libssh2_channel_get_exit_signal(channel, &signalName, &length, nullptr, nullptr, nullptr,
                                        nullptr) != 0 ||
        signalName == nullptr) {
        return;
    }
    const std::string name(signalName, length);
    libssh2_free(session_.get(), signalName);
    // The shells' convention for a command ended by a signal.
    const int number = SignalNumber(name);
    if (number > 0) {
        exitStatus_ = 128 + number;
    }
    logger_->WriteLog(LogLevelEnum::Info,
                      StringFormat("The remote shell was ended by signal {}.", name));
}

std::unique_ptr<SshTestResult> SshClientImpl::GetResults() {
    return std::move(testResult_);
}

void SshClientImpl::SetLoggingHints(bool debug, bool traceLibssh2) {
    if (debug || traceLibssh2) {
        traceMask_ |= kTraceMaskForHints;
    }
}

void SshClientImpl::BannerReceivedCallbackTrampoline(LIBSSH2_SESSION* /*session*/, int status,
                                                     void* userPointer) {
    auto* client = static_cast<SshClientImpl*>(userPointer);
    if (client == nullptr || status == LIBSSH2_ERROR_EAGAIN) {
        return;
    }
    // Called from C: nothing may be thrown through the library.
    try {
        // Every line counts; the last one before the key exchange is the banner.
        client->EndStage(kBannerExchange);
        if (status >= 0) {
            client->bannerReceived_ = true;
            client->logger_->WriteLog(LogLevelEnum::Info,
                                      "Server banner exchange completed successfully.");
        }
    } catch (...) {
    }
}

void SshClientImpl::KeyExchangedCallbackTrampoline(LIBSSH2_SESSION* /*session*/, int status,
                                                   void* userPointer) {
    auto* client = static_cast<SshClientImpl*>(userPointer);
    if (client == nullptr || status == LIBSSH2_ERROR_EAGAIN || !client->bannerReceived_) {
        return;
    }
    try {
        client->EndStage(kKeyExchange);
        if (status >= 0) {
            client->keyExchanged_ = true;
            client->logger_->WriteLog(LogLevelEnum::Info, "Key exchange completed successfully.");
        }
    } catch (...) {
    }
}

void SshClientImpl::TraceHandlerCallbackTrampoline(LIBSSH2_SESSION* /*session*/, void* context,
                                                   const char* text, std::size_t length) {
    auto* client = static_cast<SshClientImpl*>(context);
    if (client == nullptr || text == nullptr) {
        return;
    }
    try {
        client->logger_->WriteSanitizedLog(
            LogLevelEnum::Debug, StringFormat("Trace data: {}", std::string(text, length)));
    } catch (...) {
    }
}

void SshClientImpl::EndStage(Stage stage) {
    timePoints_[stage + 1] = Clock::now();
    const std::int64_t elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     timePoints_[stage + 1] - timePoints_[stage])
                                     .count();
    durations_[stage] = elapsed;
    (Result().*kStageSetters[stage])(Milliseconds(elapsed));
}

std::int64_t SshClientImpl::ElapsedSince(Clock::time_point start) const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

void SshClientImpl::RecordFailure(const std::string& key, const std::string& details) {
    Result().SetError(key);
    Result().SetErrorDetails(details);
}

SshTestResult& SshClientImpl::Result() {
    if (!testResult_) {
        throw XInvalidOperationError("The test result has already been handed over.");
    }
    return *testResult_;
}

}  // namespace Ssh
