#pragma once

#include <memory>

#include "iohandler/IVekCommandBuilderFactory.h"
#include "iohandler/IVekCommandFactory.h"

namespace VekLibrary::IoHandler {

class VekCommandBuilderFactory final : public IVekCommandBuilderFactory {
public:
    // Throws XBrokenInvariantsError when the command factory is null.
    explicit VekCommandBuilderFactory(std::shared_ptr<IVekCommandFactory> commandFactory);

    void Create(std::shared_ptr<IVekCommandBuilder>& out) override;

private:
    std::shared_ptr<IVekCommandFactory> commandFactory_;
};

}  // namespace VekLibrary::IoHandler
