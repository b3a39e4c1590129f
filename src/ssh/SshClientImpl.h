#pragma once

#include <libssh2.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "domain/IMonotonicClock.h"
#include "domain/SensitiveString.h"
#include "logger/ILogger.h"
#include "networking/AddressFamilyEnum.h"
#include "networking/IDnsResolutionStrategy.h"
#include "networking/ILinuxNetworkingWrapper.h"
#include "networking/SocketHandle.h"
#include "result/ISshTestResultFactory.h"
#include "result/SshTestResult.h"
#include "ssh/HostKeyFingerprint.h"
#include "ssh/ISocketConnector.h"
#include "ssh/Libssh2Deleter.h"
#include "ssh/SessionContext.h"
#include "ssh/SocketWait.h"
#include "ssh/StageClock.h"
#include "trust/KnownHosts.h"

namespace Ssh {

// The SSH client's state and stages behind SshClient (see ISshClient for the
// contract), as orchestration over its parts: SocketWait for every wait and its one
// policy, StageClock for every time point, budget and deadline (all read from the
// client's one clock), OperationFailures for what a failure records and raises,
// HandshakePhases for the handshake's timing, ServerOfferRecording for the server's
// KEXINIT, HostKey for the server's key,
// UserAuthentication for the login and ShellChannel for the command. Every library
// call runs non-blocking and every wait is a poll on the socket against a deadline,
// so no stage outlives its budget by more than a poll's rounding, whatever the
// server does. The library's callbacks reach the client only through the session's
// context (SessionContext).
class SshClientImpl final {
public:
    // Throws XBrokenInvariantsError for a null collaborator.
    SshClientImpl(
        std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategy> dnsStrategy,
        std::shared_ptr<VekLibrary::Networking::ILinuxNetworkingWrapper> networkingWrapper,
        const std::shared_ptr<ISshTestResultFactory>& testResultFactory,
        std::shared_ptr<VekLibrary::VekLogger::ILogger> logger,
        std::shared_ptr<const VekLibrary::VekDomain::IMonotonicClock> clock,
        std::shared_ptr<ISocketConnector> connector);
    SshClientImpl(const SshClientImpl&) = delete;
    SshClientImpl& operator=(const SshClientImpl&) = delete;

    std::int64_t Connect(const std::string& host, unsigned short port,
                         VekLibrary::Networking::AddressFamilyEnum family, std::int64_t timeout);
    std::int64_t AuthenticateUser(const std::string& userName, const std::string& password,
                                  std::int64_t timeout);
    std::int64_t ExecuteCommands(const std::string& commands, unsigned long maximumBytes,
                                 std::int64_t timeout);
    std::unique_ptr<SshTestResult> GetResults();
    void SetLoggingHints(bool debug, bool traceLibssh2);
    void SetExpectedHostKeys(const std::vector<HostKeyFingerprint>& fingerprints) {
        expectedHostKeys_ = fingerprints;
    }
    void SetKnownHosts(const std::string& knownHosts);
    void SetPrivateKey(const std::string& privateKey) {
        privateKey_ = VekLibrary::VekDomain::SensitiveString(privateKey);
    }

private:
    using SessionPointer = std::unique_ptr<LIBSSH2_SESSION, Libssh2Deleter<LIBSSH2_SESSION>>;

    SessionPointer SshHandshake(int descriptor);
    // What the server told during the handshake, also when it failed.
    void RecordHandshakeFacts(LIBSSH2_SESSION* session, bool keyExchanged);
    SessionSocket Connection() const;
    SshTestResult& Result();

    std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategy> dnsStrategy_;
    std::shared_ptr<VekLibrary::Networking::ILinuxNetworkingWrapper> networkingWrapper_;
    std::unique_ptr<SshTestResult> testResult_;
    std::shared_ptr<VekLibrary::VekLogger::ILogger> logger_;
    std::shared_ptr<ISocketConnector> connector_;
    // Declared before the session, which is released first: the session's callbacks
    // use the context, and the session's descriptor is still open.
    SessionContext context_;
    VekLibrary::Networking::SocketHandle socket_;
    SessionPointer session_;
    // The address the socket is connected to, which a failed wait names.
    std::string peer_;
    int traceMask_ = 0;
    StageClock clock_;
    std::vector<HostKeyFingerprint> expectedHostKeys_;
    std::unique_ptr<const VekLibrary::Trust::KnownHosts> knownHosts_;
    VekLibrary::VekDomain::SensitiveString privateKey_;
};

}  // namespace Ssh
