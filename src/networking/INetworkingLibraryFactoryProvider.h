#pragma once

#include <memory>

#include "networking/IDnsResolutionStrategyFactory.h"
#include "networking/ILinuxNetworkingWrapperFactory.h"
#include "networking/IUrlComponentsFactory.h"

namespace VekLibrary::Networking {

// Builds the networking factories once and hands out shared copies; every call
// returns the same factory object.
class INetworkingLibraryFactoryProvider {
public:
    virtual ~INetworkingLibraryFactoryProvider() = default;

    virtual std::shared_ptr<ILinuxNetworkingWrapperFactory> GetLinuxNetworkingWrapperFactory() = 0;
    virtual std::shared_ptr<IDnsResolutionStrategyFactory> GetDnsResolutionStrategyFactory() = 0;
    virtual std::shared_ptr<IUrlComponentsFactory> GetUrlComponentsFactory() = 0;
};

}  // namespace VekLibrary::Networking
