#pragma once

#include <memory>

#include "iohandler/IInputParserAdapterFactory.h"
#include "iohandler/IVekCommandFactory.h"

namespace VekLibrary::IoHandler {

class VekCommandFactory final : public IVekCommandFactory {
public:
    // Throws XBrokenInvariantsError when the adapter factory is null.
    explicit VekCommandFactory(
        std::shared_ptr<IInputParserAdapterFactory> inputParserAdapterFactory);

    void Create(const std::string& name, const std::string& description,
                VekCommandOptionList options, std::unordered_set<char> shortCircuitFlags,
                std::unique_ptr<IVekCommand>& out) override;

private:
    std::shared_ptr<IInputParserAdapterFactory> inputParserAdapterFactory_;
};

}  // namespace VekLibrary::IoHandler
