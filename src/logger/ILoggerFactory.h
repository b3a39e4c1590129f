#pragma once

#include <memory>

#include "logger/ILogger.h"

namespace VekLibrary::VekLogger {

// Makes loggers over the process's standard error. Create replaces `out` with a
// new, independent logger (empty id, Info cut-off, no hints); on failure `out`
// is left unchanged.
class ILoggerFactory {
public:
    virtual ~ILoggerFactory() = default;

    virtual void Create(std::shared_ptr<ILogger>& out) = 0;
};

}  // namespace VekLibrary::VekLogger
