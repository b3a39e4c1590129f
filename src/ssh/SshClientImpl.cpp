#include "ssh/SshClientImpl.h"

#include <functional>
#include <utility>

#include "domain/Exceptions.h"
#include "domain/Milliseconds.h"
#include "logger/StringFormat.h"
#include "ssh/HandshakePhases.h"
#include "ssh/HostKey.h"
#include "ssh/OperationFailures.h"
#include "ssh/ServerOfferRecording.h"
#include "ssh/SessionFacts.h"
#include "ssh/ShellChannel.h"
#include "ssh/SshClientErrors.h"
#include "ssh/UserAuthentication.h"

namespace Ssh {

namespace {

using VekLibrary::XBrokenInvariantsError;
using VekLibrary::XInvalidOperationError;
using VekLibrary::XTestTimeout;
using VekLibrary::VekDomain::Milliseconds;
using VekLibrary::VekLogger::LogLevelEnum;

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
    std::shared_ptr<VekLibrary::VekLogger::ILogger> logger,
    std::shared_ptr<const VekLibrary::VekDomain::IMonotonicClock> clock,
    std::shared_ptr<ISocketConnector> connector)
    : dnsStrategy_(std::move(dnsStrategy)),
      networkingWrapper_(std::move(networkingWrapper)),
      logger_(std::move(logger)),
      connector_(std::move(connector)),
      clock_(std::move(clock)) {
    if (!dnsStrategy_) {
        throw XBrokenInvariantsError("dnsResolutionStrategy cannot be null.");
    }
    if (!networkingWrapper_) {
        throw XBrokenInvariantsError("linuxNetworkingWrapper cannot be null.");
    }
    if (!logger_) {
        throw XBrokenInvariantsError("Logger cannot be null.");
    }
    if (!connector_) {
        throw XBrokenInvariantsError("Socket connector cannot be null.");
    }
    if (!testResultFactory) {
        throw XBrokenInvariantsError("testResultFactory cannot be null.");
    }
    testResultFactory->Create(testResult_);
    context_.logger = logger_.get();
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
                                                  clock_.DeadlineFor(StageEnum::Dns));
                Result().SetHostAddress(networkingWrapper_->AddressAsString(list.GetCurrentNode()));
                return list;
            });
        if (clock_.MillisecondsLeftAtEndOf(StageEnum::Dns) < 1) {
            throw XTestTimeout("Name resolution used up the time budget.");
        }
        peer_ = Result().GetHostAddress();
        VekLibrary::Networking::SocketHandle socket =
            clock_.Time(StageEnum::Connect, Result(), [&] {
                auto connected = connector_->Connect(addresses.GetCurrentNode(), peer_,
                                                     clock_.DeadlineFor(StageEnum::Connect));
                logger_->WriteLog(LogLevelEnum::Info, "Connection established successfully.");
                return connected;
            });
        SessionPointer session = SshHandshake(socket.GetSocketDescriptor());
        // Before anything of the credentials can be sent.
        const HostKey hostKey(session.get());
        hostKey.RecordIn(Result());
        hostKey.Verify(expectedHostKeys_, knownHosts_.get(),
                       VekLibrary::Trust::KnownHosts::LookupName(host, port));
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
    SessionPointer session(libssh2_session_init_ex(nullptr, nullptr, nullptr, &context_),
                           Libssh2Deleter<LIBSSH2_SESSION>{descriptor});
    if (!session) {
        throw XLibssh2Error("Unable to create SSH session.", LIBSSH2_ERROR_ALLOC);
    }
    const HandshakePhases phases(session.get(), clock_, Result(), *logger_);
    const ServerOfferRecording offer(session.get(), Result());
    libssh2_trace_sethandler(session.get(), nullptr, &SessionContext::WriteTrace);
    libssh2_trace(session.get(), traceMask_);
    libssh2_session_set_blocking(session.get(), 0);

    const SessionSocket connection{session.get(), descriptor, peer_};
    int rc = 0;
    try {
        rc = CallUntilDone(connection, clock_.DeadlineFor(StageEnum::BannerExchange),
                           [&] { return libssh2_session_handshake(session.get(), descriptor); });
    } catch (...) {
        RecordHandshakeFacts(session.get(), phases.KeyExchanged());
        throw;
    }
    RecordHandshakeFacts(session.get(), phases.KeyExchanged());
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
    return session;
}

void SshClientImpl::RecordHandshakeFacts(LIBSSH2_SESSION* session, bool keyExchanged) {
    SessionFacts::RecordServerIdentification(session, Result());
    if (keyExchanged) {
        clock_.End(StageEnum::ServiceRequest, Result());
        SessionFacts::RecordNegotiatedAlgorithms(session, Result());
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
    clock_.StartBudget(StageEnum::Authentication, timeout);
    GuardOperation(ClientOperationEnum::AuthenticateUser, Result(), [&] {
        const int rc = clock_.Time(StageEnum::Authentication, Result(), [&] {
            const auto deadline = clock_.DeadlineFor(StageEnum::Authentication);
            const SessionSocket connection = Connection();
            UserAuthentication authentication(session_.get(),
                                              [&](const std::function<int()>& call) {
                                                  return CallUntilDone(connection, deadline, call);
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
            const auto deadline = clock_.DeadlineFor(StageEnum::CommandExecution);
            ShellChannel channel = ShellChannel::Open(Connection(), deadline);
            channel.WriteCommands(commands, deadline);
            logger_->WriteLog(LogLevelEnum::Info, "Commands written to shell for execution.");
            channel.SendEndOfFile(deadline);
            channel.ReadOutput(maximumBytes, deadline, Result(), *logger_);
        });
    });
    return clock_.MillisecondsLeft();
}

std::unique_ptr<SshTestResult> SshClientImpl::GetResults() {
    return std::move(testResult_);
}

void SshClientImpl::SetLoggingHints(bool debug, bool traceLibssh2) {
    if (debug || traceLibssh2) {
        traceMask_ |= kTraceMaskForHints;
    }
}

void SshClientImpl::SetKnownHosts(const std::string& knownHosts) {
    knownHosts_ = std::make_unique<const VekLibrary::Trust::KnownHosts>(knownHosts);
    logger_->WriteLog(
        LogLevelEnum::Debug,
        VekLibrary::VekLogger::StringFormat(
            "Known hosts: entries read {}, @cert-authority lines skipped {}, unreadable lines "
            "skipped {}.",
            knownHosts_->Entries(), knownHosts_->CertificateAuthorityLines(),
            knownHosts_->UnreadableLines()));
}

SessionSocket SshClientImpl::Connection() const {
    return SessionSocket{session_.get(), socket_.GetSocketDescriptor(), peer_};
}

SshTestResult& SshClientImpl::Result() {
    if (!testResult_) {
        throw XInvalidOperationError("The test result has already been handed over.");
    }
    return *testResult_;
}

}  // namespace Ssh
