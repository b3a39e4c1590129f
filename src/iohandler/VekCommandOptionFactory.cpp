#include "iohandler/VekCommandOptionFactory.h"

#include "iohandler/VekCommandOption.h"

namespace VekLibrary::IoHandler {

void VekCommandOptionFactory::Create(const VekCommandOptionConstructorParameterPack& pack,
                                     std::unique_ptr<IVekCommandOption>& out) {
    out = std::make_unique<VekCommandOption>(pack);
}

}  // namespace VekLibrary::IoHandler
