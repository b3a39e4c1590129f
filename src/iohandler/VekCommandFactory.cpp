#include "iohandler/VekCommandFactory.h"

#include <utility>

#include "domain/Exceptions.h"
#include "iohandler/VekCommand.h"

namespace VekLibrary::IoHandler {

VekCommandFactory::VekCommandFactory(
    std::shared_ptr<IInputParserAdapterFactory> inputParserAdapterFactory)
    : inputParserAdapterFactory_(std::move(inputParserAdapterFactory)) {
    if (!inputParserAdapterFactory_) {
        throw XBrokenInvariantsError("Input parser adapter factory is null.");
    }
}

void VekCommandFactory::Create(const std::string& name, const std::string& description,
                               VekCommandOptionList options,
                               std::unordered_set<char> shortCircuitFlags,
                               std::unique_ptr<IVekCommand>& out) {
    out = std::make_unique<VekCommand>(name, description, std::move(options), shortCircuitFlags,
                                       inputParserAdapterFactory_);
}

}  // namespace VekLibrary::IoHandler
