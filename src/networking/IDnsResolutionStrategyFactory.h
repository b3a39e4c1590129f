#pragma once

#include <memory>

#include "networking/IDnsResolutionStrategy.h"

namespace VekLibrary::Networking {

// Makes DNS resolution strategies. Create replaces `out` with a new strategy that
// owns a new networking wrapper.
class IDnsResolutionStrategyFactory {
public:
    virtual ~IDnsResolutionStrategyFactory() = default;

    virtual void Create(std::shared_ptr<IDnsResolutionStrategy>& out) = 0;
};

}  // namespace VekLibrary::Networking
