#pragma once

#include <memory>

#include "iohandler/IVekCommandBuilder.h"

namespace VekLibrary::IoHandler {

// Makes command builders that share one command factory.
class IVekCommandBuilderFactory {
public:
    virtual ~IVekCommandBuilderFactory() = default;

    // Replaces `out` with a new, empty builder.
    virtual void Create(std::shared_ptr<IVekCommandBuilder>& out) = 0;
};

}  // namespace VekLibrary::IoHandler
