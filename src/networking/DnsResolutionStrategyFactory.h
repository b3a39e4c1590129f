#pragma once

#include <memory>

#include "networking/IDnsResolutionStrategyFactory.h"
#include "networking/ILinuxNetworkingWrapperFactory.h"

namespace VekLibrary::Networking {

class DnsResolutionStrategyFactory final : public IDnsResolutionStrategyFactory {
public:
    // Throws XBrokenInvariantsError for a null wrapper factory.
    explicit DnsResolutionStrategyFactory(
        std::shared_ptr<ILinuxNetworkingWrapperFactory> linuxNetworkingWrapperFactory);

    // A new Ipv6ToIpv4FallbackDnsResolutionStrategy over a new wrapper.
    void Create(std::shared_ptr<IDnsResolutionStrategy>& out) override;

private:
    std::shared_ptr<ILinuxNetworkingWrapperFactory> linuxNetworkingWrapperFactory_;
};

}  // namespace VekLibrary::Networking
