#pragma once

#include <gmock/gmock.h>

#include "iohandler/IVekCommandOptionFactory.h"

namespace VekLibrary::IoHandler {

class MockVekCommandOptionFactory : public IVekCommandOptionFactory {
public:
    MOCK_METHOD(void, Create,
                (const VekCommandOptionConstructorParameterPack& pack,
                 std::unique_ptr<IVekCommandOption>& out),
                (override));
};

}  // namespace VekLibrary::IoHandler
