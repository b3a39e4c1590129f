#pragma once

#include <memory>

#include "logger/ILoggerFactory.h"
#include "logger/ITimestampProviderFactory.h"

namespace VekLibrary::VekLogger {

// Builds the logging factories once and hands out shared copies; every call
// returns the same factory object.
class ILoggerLibraryFactoryProvider {
public:
    virtual ~ILoggerLibraryFactoryProvider() = default;

    virtual std::shared_ptr<ILoggerFactory> GetLoggerFactory() = 0;
    virtual std::shared_ptr<ITimestampProviderFactory> GetTimestampProviderFactory() = 0;
};

}  // namespace VekLibrary::VekLogger
