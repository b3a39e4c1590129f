#pragma once

#include <memory>

#include "networking/ILinuxNetworkingWrapperFactory.h"

namespace VekLibrary::Networking {

class LinuxNetworkingWrapperFactory final : public ILinuxNetworkingWrapperFactory {
public:
    // Replaces `out` with a new LinuxNetworkingWrapper.
    void Create(std::shared_ptr<ILinuxNetworkingWrapper>& out) override;
};

}  // namespace VekLibrary::Networking
