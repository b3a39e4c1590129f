#include "iohandler/VekCommandOptionBuilderFactory.h"

#include <utility>

#include "domain/Exceptions.h"
#include "iohandler/VekCommandOptionBuilder.h"

namespace VekLibrary::IoHandler {

VekCommandOptionBuilderFactory::VekCommandOptionBuilderFactory(
    std::shared_ptr<IVekCommandOptionFactory> optionFactory)
    : optionFactory_(std::move(optionFactory)) {
    if (!optionFactory_) {
        throw XBrokenInvariantsError("VekCommandOptionFactory is null");
    }
}

void VekCommandOptionBuilderFactory::Create(std::shared_ptr<IVekCommandOptionBuilder>& out) {
    out = std::make_shared<VekCommandOptionBuilder>(optionFactory_);
}

}  // namespace VekLibrary::IoHandler
