#pragma once

#include <memory>

#include "iohandler/IVekCommandOptionBuilder.h"

namespace VekLibrary::IoHandler {

// Makes option builders that share one option factory.
class IVekCommandOptionBuilderFactory {
public:
    virtual ~IVekCommandOptionBuilderFactory() = default;

    // Replaces `out` with a new, empty builder.
    virtual void Create(std::shared_ptr<IVekCommandOptionBuilder>& out) = 0;
};

}  // namespace VekLibrary::IoHandler
