#include "networking/LinuxNetworkingWrapperFactory.h"

#include "networking/LinuxNetworkingWrapper.h"

namespace VekLibrary::Networking {

void LinuxNetworkingWrapperFactory::Create(std::shared_ptr<ILinuxNetworkingWrapper>& out) {
    out = std::make_shared<LinuxNetworkingWrapper>();
}

}  // namespace VekLibrary::Networking
