#include "logger/LoggerFactory.h"

#include <iostream>
#include <utility>

#include "domain/Exceptions.h"
#include "logger/Logger.h"

namespace VekLibrary::VekLogger {

LoggerFactory::LoggerFactory(
    std::shared_ptr<IoHandler::IStreamOutputHandlerFactory> streamOutputHandlerFactory,
    std::shared_ptr<ITimestampProviderFactory> timestampProviderFactory)
    : streamOutputHandlerFactory_(std::move(streamOutputHandlerFactory)),
      timestampProviderFactory_(std::move(timestampProviderFactory)) {
    if (!streamOutputHandlerFactory_) {
        throw XBrokenInvariantsError("streamOutputHandlerFactory cannot be null");
    }
    if (!timestampProviderFactory_) {
        throw XBrokenInvariantsError("timestampProviderFactory cannot be null");
    }
}

void LoggerFactory::Create(std::shared_ptr<ILogger>& out) {
    std::shared_ptr<IoHandler::IStreamOutputHandler> stderrHandler;
    streamOutputHandlerFactory_->Create(&std::cerr, stderrHandler);
    std::shared_ptr<ITimestampProvider> timestampProvider;
    timestampProviderFactory_->Create(timestampProvider);
    out = std::make_shared<Logger>(std::move(stderrHandler), std::move(timestampProvider));
}

}  // namespace VekLibrary::VekLogger
