#include "logger/LoggerLibraryFactoryProvider.h"

#include "domain/Exceptions.h"
#include "logger/LoggerFactory.h"
#include "logger/UtcTimestampProviderFactory.h"

namespace VekLibrary::VekLogger {

LoggerLibraryFactoryProvider::LoggerLibraryFactoryProvider(
    std::shared_ptr<IoHandler::IIoHandlerLibraryFactoryProvider> ioHandlerLibraryFactoryProvider)
    : timestampProviderFactory_(std::make_shared<UtcTimestampProviderFactory>()) {
    if (!ioHandlerLibraryFactoryProvider) {
        throw XBrokenInvariantsError("ioHandlerLibraryFactoryProvider cannot be null");
    }
    loggerFactory_ = std::make_shared<LoggerFactory>(
        ioHandlerLibraryFactoryProvider->GetStreamOutputHandlerFactory(),
        timestampProviderFactory_);
}

std::shared_ptr<ILoggerFactory> LoggerLibraryFactoryProvider::GetLoggerFactory() {
    return loggerFactory_;
}

std::shared_ptr<ITimestampProviderFactory>
LoggerLibraryFactoryProvider::GetTimestampProviderFactory() {
    return timestampProviderFactory_;
}

}  // namespace VekLibrary::VekLogger
