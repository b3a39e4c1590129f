#pragma once

#include <libssh2.h>

#include <array>
#include <chrono>
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
#include "ssh/HostKeyPins.h"
#include "ssh/Libssh2Deleter.h"

namespace Ssh {

// The SSH client's state and stages behind SshClient (see ISshClient for the
// contract). Every library call runs non-blocking and every wait is a poll on the
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

    // Handshake hooks; `userPointer` is the client, or null for none (then they do
    // nothing).
    static void BannerReceivedCallbackTrampoline(LIBSSH2_SESSION* session, int status,
                                                 void* userPointer);
    static void KeyExchangedCallbackTrampoline(LIBSSH2_SESSION* session, int status,
                                               void* userPointer);
    // The library's trace lines, through the logger's masking write.
    static void TraceHandlerCallbackTrampoline(LIBSSH2_SESSION* session, void* context,
                                               const char* text, std::size_t length);

private:
    using Clock = std::chrono::steady_clock;
    using Deadline = VekLibrary::VekDomain::Deadline;
    using SessionPointer = std::unique_ptr<LIBSSH2_SESSION, Libssh2Deleter<LIBSSH2_SESSION>>;
    using ChannelPointer = std::unique_ptr<LIBSSH2_CHANNEL, Libssh2Deleter<LIBSSH2_CHANNEL>>;

    // The stages in order. Stage s runs from time point s to time point s + 1, so
    // each begins where the previous one ended.
    enum Stage : std::size_t {
        kDns,
        kConnect,
        kBannerExchange,
        kKeyExchange,
        kServiceRequest,
        kAuthentication,
        kCommandExecution,
        kStageCount
    };

    VekLibrary::Networking::SocketHandle CreateTcpConnection(const addrinfo* address,
                                                             std::int64_t timeout);
    SessionPointer SshHandshake(VekLibrary::Networking::SocketHandle& socket, std::int64_t timeout);
    ChannelPointer CreateChannelAndWriteCommands(const std::string& commands,
                                                 const Deadline& deadline);
    void WriteCommands(LIBSSH2_CHANNEL* channel, const std::string& commands,
                       const Deadline& deadline);
    void ReadServerResponse(ChannelPointer channel, std::int64_t timeout,
                            unsigned long maximumBytes);
    // One pass over standard output; true when the library had nothing more.
    bool ReadStandardOutput(LIBSSH2_CHANNEL* channel, unsigned long maximumBytes,
                            const Deadline& deadline);
    bool ReadStandardError(LIBSSH2_CHANNEL* channel, unsigned long maximumBytes,
                           const Deadline& deadline);
    void WaitForOutput(const Deadline& deadline);
    // After end-of-file the exit status may still be on its way.
    void WaitForExitStatus(LIBSSH2_CHANNEL* channel, const Deadline& deadline);
    void TakeExitStatus(LIBSSH2_CHANNEL* channel);
    // Records the output captured so far, and the exit status when it has arrived.
    void KeepOutputOfFailedRead(LIBSSH2_CHANNEL* channel);
    static bool ExitStatusArrived(LIBSSH2_CHANNEL* channel);
    void RecordHostFingerprint(LIBSSH2_SESSION* session);

    // Repeats a non-blocking library call while it would block, waiting on the
    // socket in between; LIBSSH2_ERROR_TIMEOUT once the deadline has passed.
    template <typename Call>
    int CallUntilDone(LIBSSH2_SESSION* session, int descriptor, const Deadline& deadline,
                      Call call);

    void EndStage(Stage stage);
    std::int64_t ElapsedSince(Clock::time_point start) const;
    void RecordFailure(const std::string& key, const std::string& details);
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
    std::vector<char> readBuffer_;
    std::array<Clock::time_point, kStageCount + 1> timePoints_{};
    bool bannerReceived_ = false;
    bool keyExchanged_ = false;
    std::array<std::int64_t, kStageCount> durations_{};
    std::string standardOutput_;
    std::uint64_t standardOutputBytes_ = 0;
    std::uint64_t standardErrorBytes_ = 0;
    int exitStatus_ = 0;
    std::vector<HostKeyFingerprint> expectedHostKeys_;
    VekLibrary::VekDomain::SensitiveString privateKey_;
};

}  // namespace Ssh
