#pragma once

#include <memory>

#include "logger/ILogger.h"
#include "networking/IDnsResolutionStrategyFactory.h"
#include "networking/ILinuxNetworkingWrapperFactory.h"
#include "result/ISshTestResultFactory.h"
#include "ssh/ISshClientFactory.h"

namespace Ssh {

class SshClientFactory final : public ISshClientFactory {
public:
    // Throws XBrokenInvariantsError for a null collaborator, checked in argument order.
    SshClientFactory(
        std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategyFactory> dnsStrategyFactory,
        std::shared_ptr<VekLibrary::Networking::ILinuxNetworkingWrapperFactory>
            networkingWrapperFactory,
        std::shared_ptr<ISshTestResultFactory> testResultFactory,
        std::shared_ptr<VekLibrary::VekLogger::ILogger> logger);

    void Create(std::unique_ptr<ISshClient>& out) override;

private:
    std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategyFactory> dnsStrategyFactory_;
    std::shared_ptr<VekLibrary::Networking::ILinuxNetworkingWrapperFactory>
        networkingWrapperFactory_;
    std::shared_ptr<ISshTestResultFactory> testResultFactory_;
    std::shared_ptr<VekLibrary::VekLogger::ILogger> logger_;
};

}  // namespace Ssh
