#pragma once

#include <memory>

#include "networking/ILinuxNetworkingWrapper.h"

namespace VekLibrary::Networking {

// Makes networking wrappers. Create replaces `out` with a new wrapper, shared with
// whoever the caller hands it to.
class ILinuxNetworkingWrapperFactory {
public:
    virtual ~ILinuxNetworkingWrapperFactory() = default;

    virtual void Create(std::shared_ptr<ILinuxNetworkingWrapper>& out) = 0;
};

}  // namespace VekLibrary::Networking
