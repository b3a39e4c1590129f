#pragma once

#include <gmock/gmock.h>

#include <memory>
#include <ostream>

#include "iohandler/IStreamOutputHandlerFactory.h"

namespace VekLibrary::IoHandler {

class MockStreamOutputHandlerFactory : public IStreamOutputHandlerFactory {
public:
    MOCK_METHOD(void, Create, (std::ostream * stream, std::shared_ptr<IStreamOutputHandler>& out),
                (override));
};

}  // namespace VekLibrary::IoHandler
