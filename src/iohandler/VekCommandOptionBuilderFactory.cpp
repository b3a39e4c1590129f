#include "iohandler/VekCommandOptionBuilderFactory.h"

#include <utility>

#include "domain/Exceptions.h"
#include "iohandler/VekCommandOptionBuilder.h"

namespace VekLibrary::IoHandler {

VekCommandOptionBuilderFactory::VekCommandOptionBuilderFactory(
    std::shared_ptr<IVekCommandOptionFactory> optionFactory)
    : m_optionFactory(std::move(optionFactory)) {
    if (!m_optionFactory) {
        throw XBrokenInvariantsError("VekCommandOptionFactory is null");
    }
}

void VekCommandOptionBuilderFactory::Create(std::shared_ptr<IVekCommandOptionBuilder>& out) {
    out = std::make_shared<VekCommandOptionBuilder>(m_optionFactory);
}

}  // namespace VekLibrary::IoHandler
