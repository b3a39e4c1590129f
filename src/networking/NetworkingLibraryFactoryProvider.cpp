#include "networking/NetworkingLibraryFactoryProvider.h"

#include "networking/DnsResolutionStrategyFactory.h"
#include "networking/LinuxNetworkingWrapperFactory.h"
#include "networking/UrlComponentsFactory.h"

namespace VekLibrary::Networking {

NetworkingLibraryFactoryProvider::NetworkingLibraryFactoryProvider()
    : linuxNetworkingWrapperFactory_(std::make_shared<LinuxNetworkingWrapperFactory>()),
      urlComponentsFactory_(std::make_shared<UrlComponentsFactory>()),
      dnsResolutionStrategyFactory_(
          std::make_shared<DnsResolutionStrategyFactory>(linuxNetworkingWrapperFactory_)) {}

std::shared_ptr<ILinuxNetworkingWrapperFactory>
NetworkingLibraryFactoryProvider::GetLinuxNetworkingWrapperFactory() {
    return linuxNetworkingWrapperFactory_;
}

std::shared_ptr<IDnsResolutionStrategyFactory>
NetworkingLibraryFactoryProvider::GetDnsResolutionStrategyFactory() {
    return dnsResolutionStrategyFactory_;
}

std::shared_ptr<IUrlComponentsFactory> NetworkingLibraryFactoryProvider::GetUrlComponentsFactory() {
    return urlComponentsFactory_;
}

}  // namespace VekLibrary::Networking
