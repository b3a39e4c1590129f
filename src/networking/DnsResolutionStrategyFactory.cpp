#include "networking/DnsResolutionStrategyFactory.h"

#include <utility>

#include "domain/Exceptions.h"
#include "networking/Ipv6ToIpv4FallbackDnsResolutionStrategy.h"

namespace VekLibrary::Networking {

DnsResolutionStrategyFactory::DnsResolutionStrategyFactory(
    std::shared_ptr<ILinuxNetworkingWrapperFactory> linuxNetworkingWrapperFactory)
    : linuxNetworkingWrapperFactory_(std::move(linuxNetworkingWrapperFactory)) {
    if (!linuxNetworkingWrapperFactory_) {
        throw XBrokenInvariantsError("linuxNetworkingWrapperFactory must not be null.");
    }
}

void DnsResolutionStrategyFactory::Create(std::shared_ptr<IDnsResolutionStrategy>& out) {
    std::shared_ptr<ILinuxNetworkingWrapper> wrapper;
    linuxNetworkingWrapperFactory_->Create(wrapper);
    out = std::make_shared<Ipv6ToIpv4FallbackDnsResolutionStrategy>(std::move(wrapper));
}

}  // namespace VekLibrary::Networking
