#pragma once

#include <memory>

#include "networking/INetworkingLibraryFactoryProvider.h"

namespace VekLibrary::Networking {

class NetworkingLibraryFactoryProvider final : public INetworkingLibraryFactoryProvider {
public:
    NetworkingLibraryFactoryProvider();

    std::shared_ptr<ILinuxNetworkingWrapperFactory> GetLinuxNetworkingWrapperFactory() override;
    std::shared_ptr<IDnsResolutionStrategyFactory> GetDnsResolutionStrategyFactory() override;
    std::shared_ptr<IUrlComponentsFactory> GetUrlComponentsFactory() override;

private:
    std::shared_ptr<ILinuxNetworkingWrapperFactory> linuxNetworkingWrapperFactory_;
    std::shared_ptr<IUrlComponentsFactory> urlComponentsFactory_;
    std::shared_ptr<IDnsResolutionStrategyFactory> dnsResolutionStrategyFactory_;
};

}  // namespace VekLibrary::Networking
