#pragma once

#include <gmock/gmock.h>

#include "iohandler/IStreamInputHandlerFactory.h"

namespace VekLibrary::IoHandler {

class MockStreamInputHandlerFactory : public IStreamInputHandlerFactory {
public:
    MOCK_METHOD(void, Create, (std::shared_ptr<IStreamInputHandler> & out), (override));
};

}  // namespace VekLibrary::IoHandler
