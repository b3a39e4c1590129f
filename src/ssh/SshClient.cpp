#include "ssh/SshClient.h"

#include <libssh2.h>

#include <utility>

#include "domain/Exceptions.h"
#include "ssh/SshClientImpl.h"

namespace Ssh {

SshClient::SshClient(
    std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategy> dnsStrategy,
    std::shared_ptr<VekLibrary::Networking::ILinuxNetworkingWrapper> networkingWrapper,
    std::shared_ptr<ISshTestResultFactory> testResultFactory,
    std::shared_ptr<VekLibrary::VekLogger::ILogger> logger,
    std::shared_ptr<const VekLibrary::VekDomain::IMonotonicClock> clock,
    std::shared_ptr<ISocketConnector> connector)
    : impl_(std::make_unique<SshClientImpl>(std::move(dnsStrategy), std::move(networkingWrapper),
                                            testResultFactory, std::move(logger), std::move(clock),
                                            std::move(connector))) {
    if (libssh2_init(0) != 0) {
        throw VekLibrary::XBrokenInvariantsError("Could not initialize libssh2 library.");
    }
}

SshClient::~SshClient() {
    libssh2_exit();
}

std::int64_t SshClient::Connect(const std::string& host, unsigned short port,
                                VekLibrary::Networking::AddressFamilyEnum family,
                                std::int64_t timeout) {
    return impl_->Connect(host, port, family, timeout);
}

std::int64_t SshClient::AuthenticateUser(const std::string& userName, const std::string& password,
                                         std::int64_t timeout) {
    return impl_->AuthenticateUser(userName, password, timeout);
}

std::int64_t SshClient::ExecuteCommands(const std::string& commands, unsigned long maximumBytes,
                                        std::int64_t timeout) {
    return impl_->ExecuteCommands(commands, maximumBytes, timeout);
}

std::unique_ptr<SshTestResult> SshClient::GetResults() {
    return impl_->GetResults();
}

void SshClient::SetLoggingHints(bool debug, bool traceLibssh2) {
    impl_->SetLoggingHints(debug, traceLibssh2);
}

void SshClient::SetExpectedHostKeys(const std::vector<HostKeyFingerprint>& fingerprints) {
    impl_->SetExpectedHostKeys(fingerprints);
}

void SshClient::SetKnownHosts(const std::string& knownHosts) {
    impl_->SetKnownHosts(knownHosts);
}

void SshClient::SetPrivateKey(const std::string& privateKey) {
    impl_->SetPrivateKey(privateKey);
}

}  // namespace Ssh
