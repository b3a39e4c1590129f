#pragma once

#include <memory>

#include "iohandler/IInputParserAdapter.h"

namespace VekLibrary::IoHandler {

// Chooses the input parser that fits an invocation.
class IInputParserAdapterFactory {
public:
    virtual ~IInputParserAdapterFactory() = default;

    // Replaces `out` with a new parser for a process started with `argc`
    // arguments: the JSON parser when argc is 1, the command-line parser otherwise.
    virtual void Create(int argc, std::shared_ptr<IInputParserAdapter>& out) = 0;
};

}  // namespace VekLibrary::IoHandler
