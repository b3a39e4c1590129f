#pragma once

#include <memory>

#include "iohandler/IVekCommandOption.h"
#include "iohandler/VekCommandOptionConstructorParameterPack.h"

namespace VekLibrary::IoHandler {

// Makes command options from a parameter pack. The caller owns the option.
class IVekCommandOptionFactory {
public:
    virtual ~IVekCommandOptionFactory() = default;

    // Replaces `out` with a new option. When the option refuses the pack, the
    // exception passes on and `out` keeps what it held.
    virtual void Create(const VekCommandOptionConstructorParameterPack& pack,
                        std::unique_ptr<IVekCommandOption>& out) = 0;
};

}  // namespace VekLibrary::IoHandler
