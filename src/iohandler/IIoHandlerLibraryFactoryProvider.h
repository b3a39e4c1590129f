#pragma once

#include <memory>

#include "iohandler/IInputParserAdapterFactory.h"
#include "iohandler/IStreamInputHandlerFactory.h"
#include "iohandler/IStreamOutputHandlerFactory.h"
#include "iohandler/IVekCommandBuilderFactory.h"
#include "iohandler/IVekCommandFactory.h"
#include "iohandler/IVekCommandOptionBuilderFactory.h"
#include "iohandler/IVekCommandOptionFactory.h"

namespace VekLibrary::IoHandler {

// Builds every factory of the command and input framework once and hands out
// shared copies; each getter returns the same object on every call.
class IIoHandlerLibraryFactoryProvider {
public:
    virtual ~IIoHandlerLibraryFactoryProvider() = default;

    virtual std::shared_ptr<IStreamOutputHandlerFactory> GetStreamOutputHandlerFactory() const = 0;
    virtual std::shared_ptr<IStreamInputHandlerFactory> GetStreamInputHandlerFactory() const = 0;
    virtual std::shared_ptr<IInputParserAdapterFactory> GetInputParserAdapterFactory() const = 0;
    virtual std::shared_ptr<IVekCommandFactory> GetVekCommandFactory() const = 0;
    virtual std::shared_ptr<IVekCommandBuilderFactory> GetVekCommandBuilderFactory() const = 0;
    virtual std::shared_ptr<IVekCommandOptionFactory> GetVekCommandOptionFactory() const = 0;
    virtual std::shared_ptr<IVekCommandOptionBuilderFactory> GetVekCommandOptionBuilderFactory()
        const = 0;
};

}  // namespace VekLibrary::IoHandler
