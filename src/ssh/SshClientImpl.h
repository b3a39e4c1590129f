#pragma once

#include <libssh2.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "domain/Deadline.h"
#include "domain/SensitiveString.h"
#include "logger/ILogger.h"
#include "networking/AddressFamilyEnum.h"
#include "networking/IDnsResolutionStrategy.h"
#include "networking/ILinuxNetworkingWrapper.h"
#include "networking/SocketHandle.h"
#include "result/ISshTestResultFactory.h"
#include "result/SshTestResult.h"
#include "ssh/HostKeyFingerprint.h"
#include "ssh/Libssh2Deleter.h"
#include "ssh/ShellChannel.h"
#include "ssh/StageClock.h"

namespace Ssh {

// The SSH client's state and stages behind SshClient (see ISshClient for the
// contract), as orchestration over its parts: SocketWait for every wait, StageClock
// for every time point and budget, StageFailures for what a failure records and
// raises, HandshakePhases for the handshake's timing and ShellChannel for the
// command. Every library call runs non-blocking and every wait is a poll on the
// socket against a deadline on the monotonic clock, so no stage outlives its
// budget by more than a poll's rounding, whatever the server does.
class SshClientImpl final {
public:
    // Throws XBrokenInvariantsError for a null collaborator.
    SshClientImpl(
        std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategy> dnsStrategy,
        std::shared_ptr<VekLibrary::Networking::ILinuxNetworkingWrapper> networkingWrapper,
        const std::shared_ptr<ISshTestResultFactory>& testResultFactory,
        std::shared_ptr<VekLibrary::VekLogger::ILogger> logger);
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
    void SetPrivateKey(const std::string& privateKey) {
        privateKey_ = VekLibrary::VekDomain::SensitiveString(privateKey);
    }

    // The library's trace lines, through the logger's masking write.
    static void TraceHandlerCallbackTrampoline(LIBSSH2_SESSION* session, void* context,
                                               const char* text, std::size_t length);

private:
    using Deadline = VekLibrary::VekDomain::Deadline;
    using SessionPointer = std::unique_ptr<LIBSSH2_SESSION, Libssh2Deleter<LIBSSH2_SESSION>>;

    SessionPointer SshHandshake(int descriptor);
    ShellChannel CreateChannelAndWriteCommands(const std::string& commands,
                                               const Deadline& deadline);
    void ReadServerResponse(ShellChannel channel, const Deadline& deadline,
                            unsigned long maximumBytes);
    // Records the output and, when it has arrived, the exit status; `inTime` says
    // whether reading ended before the deadline.
    void RecordOutcome(ShellChannel::Outcome outcome, bool inTime);
    SshTestResult& Result();

    std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategy> dnsStrategy_;
    std::shared_ptr<VekLibrary::Networking::ILinuxNetworkingWrapper> networkingWrapper_;
    std::unique_ptr<SshTestResult> testResult_;
    std::shared_ptr<VekLibrary::VekLogger::ILogger> logger_;
    // Declared before the session: the session is released first, while its
    // descriptor is still open.
    VekLibrary::Networking::SocketHandle socket_;
    SessionPointer session_;
    int traceMask_ = 0;
    StageClock clock_;
    std::vector<HostKeyFingerprint> expectedHostKeys_;
    VekLibrary::VekDomain::SensitiveString privateKey_;
};

}  // namespace Ssh
