#pragma once

#include <memory>

#include "iohandler/IIoHandlerLibraryFactoryProvider.h"
#include "logger/ILoggerLibraryFactoryProvider.h"

namespace VekLibrary::VekLogger {

class LoggerLibraryFactoryProvider final : public ILoggerLibraryFactoryProvider {
public:
    // Takes the stream output handler factory from the IoHandler provider. Throws
    // XBrokenInvariantsError for a null provider.
    explicit LoggerLibraryFactoryProvider(
        std::shared_ptr<IoHandler::IIoHandlerLibraryFactoryProvider>
            ioHandlerLibraryFactoryProvider);

    std::shared_ptr<ILoggerFactory> GetLoggerFactory() override;
    std::shared_ptr<ITimestampProviderFactory> GetTimestampProviderFactory() override;

private:
    std::shared_ptr<ITimestampProviderFactory> timestampProviderFactory_;
    std::shared_ptr<ILoggerFactory> loggerFactory_;
};

}  // namespace VekLibrary::VekLogger
