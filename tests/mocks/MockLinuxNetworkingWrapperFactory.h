#pragma once

#include <gmock/gmock.h>

#include <memory>

#include "networking/ILinuxNetworkingWrapperFactory.h"

namespace VekLibrary::Networking {

class MockLinuxNetworkingWrapperFactory : public ILinuxNetworkingWrapperFactory {
public:
    MOCK_METHOD(void, Create, (std::shared_ptr<ILinuxNetworkingWrapper> & out), (override));
};

}  // namespace VekLibrary::Networking
