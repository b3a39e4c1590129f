#pragma once

#include <memory>

#include "iohandler/IStreamOutputHandlerFactory.h"
#include "logger/ILoggerFactory.h"
#include "logger/ITimestampProviderFactory.h"

namespace VekLibrary::VekLogger {

class LoggerFactory final : public ILoggerFactory {
public:
    // Throws XBrokenInvariantsError when either factory is null.
    LoggerFactory(
        std::shared_ptr<IoHandler::IStreamOutputHandlerFactory> streamOutputHandlerFactory,
        std::shared_ptr<ITimestampProviderFactory> timestampProviderFactory);

    // A new Logger writing to std::cerr through a handler from the stream output
    // handler factory, with a provider from the timestamp provider factory.
    void Create(std::shared_ptr<ILogger>& out) override;

private:
    std::shared_ptr<IoHandler::IStreamOutputHandlerFactory> streamOutputHandlerFactory_;
    std::shared_ptr<ITimestampProviderFactory> timestampProviderFactory_;
};

}  // namespace VekLibrary::VekLogger
