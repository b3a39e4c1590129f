#include "iohandler/VekCommandBuilderFactory.h"

#include <utility>

#include "domain/Exceptions.h"
#include "iohandler/VekCommandBuilder.h"

namespace VekLibrary::IoHandler {

VekCommandBuilderFactory::VekCommandBuilderFactory(
    std::shared_ptr<IVekCommandFactory> commandFactory)
    : commandFactory_(std::move(commandFactory)) {
    if (!commandFactory_) {
        throw XBrokenInvariantsError("Vek command factory is null.");
    }
}

void VekCommandBuilderFactory::Create(std::shared_ptr<IVekCommandBuilder>& out) {
    out = std::make_shared<VekCommandBuilder>(commandFactory_);
}

}  // namespace VekLibrary::IoHandler
