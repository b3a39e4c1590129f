#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "domain/IMonotonicClock.h"
#include "domain/SteadyClock.h"
#include "logger/ILogger.h"
#include "networking/IDnsResolutionStrategy.h"
#include "networking/ILinuxNetworkingWrapper.h"
#include "result/ISshTestResultFactory.h"
#include "ssh/ISocketConnector.h"
#include "ssh/ISshClient.h"
#include "ssh/TcpSocketConnector.h"

namespace Ssh {

class SshClientImpl;

// Holds the SSH library initialised for as long as the client lives.
class SshClient final : public ISshClient {
public:
    // Throws XBrokenInvariantsError for a null collaborator or when the SSH library
    // cannot be initialised. `clock` times the whole test, its deadlines and waits
    // included (the system's monotonic clock unless a test hands in its own).
    // `connector` opens the connection (TCP unless a harness hands in its own).
    SshClient(std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategy> dnsStrategy,
              std::shared_ptr<VekLibrary::Networking::ILinuxNetworkingWrapper> networkingWrapper,
              std::shared_ptr<ISshTestResultFactory> testResultFactory,
              std::shared_ptr<VekLibrary::VekLogger::ILogger> logger,
              std::shared_ptr<const VekLibrary::VekDomain::IMonotonicClock> clock =
                  std::make_shared<VekLibrary::VekDomain::SteadyClock>(),
              std::shared_ptr<ISocketConnector> connector = std::make_shared<TcpSocketConnector>());
    ~SshClient() override;
    SshClient(const SshClient&) = delete;
    SshClient& operator=(const SshClient&) = delete;

    std::int64_t Connect(const std::string& host, unsigned short port,
                         VekLibrary::Networking::AddressFamilyEnum family,
                         std::int64_t timeout) override;
    std::int64_t AuthenticateUser(const std::string& userName, const std::string& password,
                                  std::int64_t timeout) override;
    std::int64_t ExecuteCommands(const std::string& commands, unsigned long maximumBytes,
                                 std::int64_t timeout) override;
    std::unique_ptr<SshTestResult> GetResults() override;
    void SetLoggingHints(bool debug, bool traceLibssh2) override;
    void SetExpectedHostKeys(const std::vector<HostKeyFingerprint>& fingerprints) override;
    void SetKnownHosts(const std::string& knownHosts) override;
    void SetPrivateKey(const std::string& privateKey) override;

private:
    std::unique_ptr<SshClientImpl> impl_;
};

}  // namespace Ssh
