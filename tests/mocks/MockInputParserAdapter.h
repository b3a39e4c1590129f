#pragma once

#include <gmock/gmock.h>

#include "iohandler/IInputParserAdapter.h"

namespace VekLibrary::IoHandler {

class MockInputParserAdapter : public IInputParserAdapter {
public:
    MOCK_METHOD(ParsedOptionValues, Parse,
                (int argc, const char* const argv[], const VekCommandOptionList& options),
                (override));
};

}  // namespace VekLibrary::IoHandler
