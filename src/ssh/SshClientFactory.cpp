#include "ssh/SshClientFactory.h"

#include <utility>

#include "domain/Exceptions.h"
#include "ssh/SshClient.h"

namespace Ssh {

SshClientFactory::SshClientFactory(
    std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategyFactory> dnsStrategyFactory,
    std::shared_ptr<VekLibrary::Networking::ILinuxNetworkingWrapperFactory>
        networkingWrapperFactory,
    std::shared_ptr<ISshTestResultFactory> testResultFactory,
    std::shared_ptr<VekLibrary::VekLogger::ILogger> logger)
    : dnsStrategyFactory_(std::move(dnsStrategyFactory)),
      networkingWrapperFactory_(std::move(networkingWrapperFactory)),
      testResultFactory_(std::move(testResultFactory)),
      logger_(std::move(logger)) {
    if (!dnsStrategyFactory_) {
        throw VekLibrary::XBrokenInvariantsError("dnsResolutionStrategy cannot be null.");
    }
    if (!networkingWrapperFactory_) {
        throw VekLibrary::XBrokenInvariantsError("linuxNetworkingWrapperFactory cannot be null.");
    }
    if (!testResultFactory_) {
        throw VekLibrary::XBrokenInvariantsError("testResultFactory cannot be null.");
    }
    if (!logger_) {
        throw VekLibrary::XBrokenInvariantsError("logger cannot be null.");
    }
}

void SshClientFactory::Create(std::unique_ptr<ISshClient>& out) {
    std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategy> dnsStrategy;
    dnsStrategyFactory_->Create(dnsStrategy);
    std::shared_ptr<VekLibrary::Networking::ILinuxNetworkingWrapper> networkingWrapper;
    networkingWrapperFactory_->Create(networkingWrapper);
    out = std::make_unique<SshClient>(std::move(dnsStrategy), std::move(networkingWrapper),
                                      testResultFactory_, logger_);
}

}  // namespace Ssh
