#pragma once

#include <memory>
#include <unordered_set>

#include "iohandler/IVekCommandBuilder.h"
#include "iohandler/IVekCommandFactory.h"

namespace VekLibrary::IoHandler {

class VekCommandBuilder final : public IVekCommandBuilder {
public:
    // Throws XBrokenInvariantsError when the command factory is null.
    explicit VekCommandBuilder(std::shared_ptr<IVekCommandFactory> commandFactory);

    IVekCommandBuilder& AddOption(std::unique_ptr<IVekCommandOption> option) override;
    IVekCommandBuilder& AddShortCircuitOption(std::unique_ptr<IVekCommandOption> option) override;
    IVekCommandBuilder& AddCommandDetails(const std::string& name,
                                          const std::string& description) override;
    // Tests nothing itself: the command's constructor does. When it throws, the
    // pending options are gone while the name, the description and the record of
    // added short flags stay.
    std::unique_ptr<IVekCommand> Build() override;

private:
    std::shared_ptr<IVekCommandFactory> commandFactory_;
    std::unordered_set<char> addedShortFlags_;
    std::string name_;
    std::string description_;
    VekCommandOptionList options_;
    std::unordered_set<char> shortCircuitFlags_;
};

}  // namespace VekLibrary::IoHandler
