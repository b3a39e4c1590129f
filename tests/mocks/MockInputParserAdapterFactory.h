#pragma once

#include <gmock/gmock.h>

#include "iohandler/IInputParserAdapterFactory.h"

namespace VekLibrary::IoHandler {

class MockInputParserAdapterFactory : public IInputParserAdapterFactory {
public:
    MOCK_METHOD(void, Create, (int argc, std::shared_ptr<IInputParserAdapter>& out), (override));
};

}  // namespace VekLibrary::IoHandler
