#include "ssh/SshClientImpl.h"

#include <functional>
#include <utility>

#include "domain/Exceptions.h"
#include "domain/Milliseconds.h"
#include "logger/StringFormat.h"
#include "networking/SocketType.h"
#include "ssh/HandshakePhases.h"
#include "ssh/HostKey.h"
#include "ssh/HostKeyPins.h"
#include "ssh/SessionFacts.h"
#include "ssh/SocketWait.h"
#include "ssh/SshClientErrors.h"
#include "ssh/StageFailures.h"
#include "ssh/UserAuthentication.h"

namespace Ssh {

namespace {

using VekLibrary::XBrokenInvariantsError;
using VekLibrary::XInvalidOperationError;
using VekLibrary::XTestTimeout;
using VekLibrary::VekDomain::Milliseconds;
using VekLibrary::VekLogger::LogLevelEnum;
using VekLibrary::VekLogger::StringFormat;

constexpr int kTraceMaskForHints =
    LIBSSH2_TRACE_KEX | LIBSSH2_TRACE_AUTH | LIBSSH2_TRACE_ERROR | LIBSSH2_TRACE_PUBLICKEY;

bool IsValidTimeout(std::int64_t timeout) {
    return timeout >= 1 && timeout <= Milliseconds::kMaxCount;
}

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

    Result().SetHostName(host);
    Result().SetPortNumber(port);
    clock_.Restart();
    clock_.StartBudget(StageEnum::Dns, timeout);
    GuardOperation(ClientOperationEnum::Connect, Result(), [&] {
        VekLibrary::Networking::AddressInfoList addresses =
            clock_.Time(StageEnum::Dns, Result(), [&] {
                auto list = dnsStrategy_->Resolve(host, std::to_string(port), family,
                                                  VekLibrary::Networking::SocketType::Stream,
                                                  Milliseconds(timeout));
                Result().SetHostAddress(networkingWrapper_->AddressAsString(list.GetCurrentNode()));
                return list;
            });
        const std::int64_t connectBudget = clock_.MillisecondsLeftAtEndOf(StageEnum::Dns);
        if (connectBudget < 1) {
            throw XTestTimeout("Name resolution used up the time budget.");
        }
        VekLibrary::Networking::SocketHandle socket =
            clock_.Time(StageEnum::Connect, Result(), [&] {
                auto connected =
                    ConnectWithin(addresses.GetCurrentNode(), Result().GetHostAddress(),
                                  connectBudget, clock_.BudgetDeadline());
                logger_->WriteLog(LogLevelEnum::Info, "Connection established successfully.");
                return connected;
            });
        SessionPointer session = SshHandshake(socket.GetSocketDescriptor());
        // Before anything of the credentials can be sent.
        HostKeyPins::Verify(session.get(), expectedHostKeys_);
        socket_ = std::move(socket);
        session_ = std::move(session);
    });
    return clock_.MillisecondsLeft();
}

SshClientImpl::SessionPointer SshClientImpl::SshHandshake(int descriptor) {
    // A handshake begun without time left could only time out.
    if (clock_.MillisecondsLeftAtEndOf(StageEnum::Connect) < 1) {
        throw XTestTimeout("SSH handshake timed out.");
    }
    SessionPointer session(libssh2_session_init_ex(nullptr, nullptr, nullptr, nullptr),
                           Libssh2Deleter<LIBSSH2_SESSION>{descriptor});
    if (!session) {
        throw XLibssh2Error("Unable to create SSH session.", LIBSSH2_ERROR_ALLOC);
    }
    const HandshakePhases phases(clock_, Result(), *logger_);
    libssh2_trace_sethandler(session.get(), this, &TraceHandlerCallbackTrampoline);
    libssh2_trace(session.get(), traceMask_);
    libssh2_session_set_blocking(session.get(), 0);

    const int rc = CallUntilDone(session.get(), descriptor, clock_.BudgetDeadline(), [&] {
        return libssh2_session_handshake(session.get(), descriptor);
    });
    SessionFacts::RecordServerIdentification(session.get(), Result());
    if (phases.KeyExchanged()) {
        clock_.End(StageEnum::ServiceRequest, Result());
        SessionFacts::RecordNegotiatedAlgorithms(session.get(), Result());
    }
    if (rc == LIBSSH2_ERROR_TIMEOUT) {
        throw XTestTimeout("SSH handshake timed out.");
    }
    if (rc < 0) {
        throw XLibssh2Error("Ssh handshake failure.", rc);
    }
    if (phases.KeyExchanged()) {
        logger_->WriteLog(LogLevelEnum::Info, "Service request exchange completed successfully.");
    }
    logger_->WriteLog(LogLevelEnum::Info, "SSH handshake completed successfully.");
    const std::string fingerprint = HostKeySha256Hex(session.get());
    if (!fingerprint.empty()) {
        Result().SetHostFingerprint(fingerprint);
    }
    return session;
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
    clock_.StartBudget(StageEnum::Authentication, timeout);
    GuardOperation(ClientOperationEnum::AuthenticateUser, Result(), [&] {
        const int rc = clock_.Time(StageEnum::Authentication, Result(), [&] {
            const Deadline deadline = clock_.BudgetDeadline();
            UserAuthentication authentication(
                session_.get(), [&](const std::function<int()>& call) {
                    return CallUntilDone(session_.get(), socket_.GetSocketDescriptor(), deadline,
                                         call);
                });
            return authentication.Authenticate(userName, password, privateKey_);
        });
        if (rc < 0) {
            throw XLibssh2Error("User authentication failed.", rc);
        }
    });
    logger_->WriteLog(LogLevelEnum::Info, "User has been authenticated successfully.");
    return clock_.MillisecondsLeftAtEndOf(StageEnum::Authentication);
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
    clock_.StartBudget(StageEnum::CommandExecution, timeout);
    GuardOperation(ClientOperationEnum::ExecuteCommands, Result(), [&] {
        clock_.Time(StageEnum::CommandExecution, Result(), [&] {
            const Deadline deadline = clock_.BudgetDeadline();
            ReadServerResponse(CreateChannelAndWriteCommands(commands, deadline), deadline,
                               maximumBytes);
        });
    });
    return clock_.MillisecondsLeft();
}

ShellChannel SshClientImpl::CreateChannelAndWriteCommands(const std::string& commands,
                                                          const Deadline& deadline) {
    ShellChannel channel =
        ShellChannel::Open(session_.get(), socket_.GetSocketDescriptor(), deadline);
    channel.WriteCommands(commands, deadline);
    logger_->WriteLog(LogLevelEnum::Info, "Commands written to shell for execution.");
    channel.SendEndOfFile(deadline);
    return channel;
}

void SshClientImpl::ReadServerResponse(ShellChannel channel, const Deadline& deadline,
                                       unsigned long maximumBytes) {
    logger_->WriteLog(LogLevelEnum::Info, "Start Reading Data.");
    try {
        channel.ReadOutput(maximumBytes, deadline);
    } catch (...) {
        // A time-out or read error keeps the output that had arrived: it shows
        // where the command hung.
        RecordOutcome(channel.TakeOutcome(), false);
        throw;
    }
    clock_.End(StageEnum::CommandExecution, Result());
    const bool inTime = clock_.MillisecondsLeftAtEndOf(StageEnum::CommandExecution) > 0;
    RecordOutcome(channel.TakeOutcome(), inTime);
    if (!inTime) {
        throw XTestTimeout("Reading data from the remote shell timed out.");
    }
}

void SshClientImpl::RecordOutcome(ShellChannel::Outcome outcome, bool inTime) {
    if (outcome.exitSignal) {
        logger_->WriteLog(
            LogLevelEnum::Info,
            StringFormat("The remote shell was ended by signal {}.", *outcome.exitSignal));
    }
    // A status of 0 cannot be told from none; out of time, only a non-zero status or
    // a signal shows that the status has arrived.
    if (inTime || outcome.exitStatus != 0 || outcome.exitSignal) {
        Result().SetCommandExecutionReturnCode(std::to_string(outcome.exitStatus));
    }
    logger_->WriteLog(
        LogLevelEnum::Info,
        StringFormat(
            "End Reading Data.Total stdout bytes received: {}.Total stderr bytes read: {}.",
            outcome.standardOutput.size(), outcome.standardErrorBytes));
    // Moved, not copied: the output may be many megabytes.
    Result().SetCommandResultSize(outcome.standardOutput.size());
    Result().SetCommandExecutionResult(std::move(outcome.standardOutput));
}

std::unique_ptr<SshTestResult> SshClientImpl::GetResults() {
    return std::move(testResult_);
}

void SshClientImpl::SetLoggingHints(bool debug, bool traceLibssh2) {
    if (debug || traceLibssh2) {
        traceMask_ |= kTraceMaskForHints;
    }
}

void SshClientImpl::TraceHandlerCallbackTrampoline(LIBSSH2_SESSION* /*session*/, void* context,
                                                   const char* text, std::size_t length) {
    auto* client = static_cast<SshClientImpl*>(context);
    if (client == nullptr || text == nullptr) {
        return;
    }
    // Called from C: nothing may be thrown through the library.
    try {
        client->logger_->WriteSanitizedLog(
            LogLevelEnum::Debug, StringFormat("Trace data: {}", std::string(text, length)));
    } catch (...) {
    }
}

SshTestResult& SshClientImpl::Result() {
    if (!testResult_) {
        throw XInvalidOperationError("The test result has already been handed over.");
    }
    return *testResult_;
}

}  // namespace Ssh
