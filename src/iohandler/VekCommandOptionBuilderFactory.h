#pragma once

#include <memory>

#include "iohandler/IVekCommandOptionBuilderFactory.h"
#include "iohandler/IVekCommandOptionFactory.h"

namespace VekLibrary::IoHandler {

class VekCommandOptionBuilderFactory final : public IVekCommandOptionBuilderFactory {
public:
    // Throws XBrokenInvariantsError when the option factory is null.
    explicit VekCommandOptionBuilderFactory(
        std::shared_ptr<IVekCommandOptionFactory> optionFactory);

    void Create(std::shared_ptr<IVekCommandOptionBuilder>& out) override;

private:
    std::shared_ptr<IVekCommandOptionFactory> optionFactory_;
};

}  // namespace VekLibrary::IoHandler
