#pragma once

#include <memory>
#include <ostream>

#include "iohandler/IStreamOutputHandler.h"

namespace VekLibrary::IoHandler {

// Makes output handlers over standard streams (the session's standard output, the
// logger's standard error). The caller keeps ownership of the stream.
class IStreamOutputHandlerFactory {
public:
    virtual ~IStreamOutputHandlerFactory() = default;

    // Replaces `out` with a new handler over `stream`, which must outlive it.
    virtual void Create(std::ostream* stream, std::shared_ptr<IStreamOutputHandler>& out) = 0;
};

}  // namespace VekLibrary::IoHandler
