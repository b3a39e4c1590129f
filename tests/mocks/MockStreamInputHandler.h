#pragma once

#include <gmock/gmock.h>

#include "iohandler/IStreamInputHandler.h"

namespace VekLibrary::IoHandler {

class MockStreamInputHandler : public IStreamInputHandler {
public:
    MOCK_METHOD(std::string, ReadInput, (std::chrono::milliseconds timeout), (override));
};

}  // namespace VekLibrary::IoHandler
