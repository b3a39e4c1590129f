#pragma once

#include <gmock/gmock.h>

#include <memory>

#include "iohandler/IIoHandlerLibraryFactoryProvider.h"

namespace VekLibrary::IoHandler {

class MockIoHandlerLibraryFactoryProvider : public IIoHandlerLibraryFactoryProvider {
public:
    MOCK_METHOD(std::shared_ptr<IStreamOutputHandlerFactory>, GetStreamOutputHandlerFactory, (),
                (const, override));
    MOCK_METHOD(std::shared_ptr<IStreamInputHandlerFactory>, GetStreamInputHandlerFactory, (),
                (const, override));
    MOCK_METHOD(std::shared_ptr<IInputParserAdapterFactory>, GetInputParserAdapterFactory, (),
                (const, override));
    MOCK_METHOD(std::shared_ptr<IVekCommandFactory>, GetVekCommandFactory, (), (const, override));
    MOCK_METHOD(std::shared_ptr<IVekCommandBuilderFactory>, GetVekCommandBuilderFactory, (),
                (const, override));
    MOCK_METHOD(std::shared_ptr<IVekCommandOptionFactory>, GetVekCommandOptionFactory, (),
                (const, override));
    MOCK_METHOD(std::shared_ptr<IVekCommandOptionBuilderFactory>, GetVekCommandOptionBuilderFactory,
                (), (const, override));
};

}  // namespace VekLibrary::IoHandler
