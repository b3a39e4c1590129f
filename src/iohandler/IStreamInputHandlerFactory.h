#pragma once

#include <memory>

#include "iohandler/IStreamInputHandler.h"

namespace VekLibrary::IoHandler {

// Makes readers of standard input.
class IStreamInputHandlerFactory {
public:
    virtual ~IStreamInputHandlerFactory() = default;

    // Replaces `out` with a new reader.
    virtual void Create(std::shared_ptr<IStreamInputHandler>& out) = 0;
};

}  // namespace VekLibrary::IoHandler
