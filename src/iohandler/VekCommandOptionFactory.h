#pragma once

#include "iohandler/IVekCommandOptionFactory.h"

namespace VekLibrary::IoHandler {

class VekCommandOptionFactory final : public IVekCommandOptionFactory {
public:
    void Create(const VekCommandOptionConstructorParameterPack& pack,
                std::unique_ptr<IVekCommandOption>& out) override;
};

}  // namespace VekLibrary::IoHandler
