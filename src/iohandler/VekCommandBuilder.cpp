#include "iohandler/VekCommandBuilder.h"

#include <utility>

#include "domain/Exceptions.h"
#include "iohandler/ShortFlag.h"

namespace VekLibrary::IoHandler {

VekCommandBuilder::VekCommandBuilder(std::shared_ptr<IVekCommandFactory> commandFactory)
    : commandFactory_(std::move(commandFactory)) {
    if (!commandFactory_) {
        throw XBrokenInvariantsError("Null command factory provided.");
    }
}

IVekCommandBuilder& VekCommandBuilder::AddCommandDetails(const std::string& name,
                                                         const std::string& description) {
    if (name.empty() || description.empty()) {
        throw XBrokenInvariantsError("Command name or description provided is empty.");
    }
    if (!name_.empty() || !description_.empty()) {
        throw XBrokenInvariantsError("Command name and description already set.");
    }
    name_ = name;
    description_ = description;
    return *this;
}

IVekCommandBuilder& VekCommandBuilder::AddOption(std::unique_ptr<IVekCommandOption> option) {
    if (!option) {
        throw XBrokenInvariantsError("Command option cannot be added, it's null.");
    }
    const char shortFlag = option->GetShortFlag();
    if (!IsAlphanumericShortFlag(shortFlag)) {
        throw XBrokenInvariantsError("Short flag must be an alphanumeric character.");
    }
    if (addedShortFlags_.count(shortFlag) != 0) {
        throw XBrokenInvariantsError(
            "Cannot add option. Option already added having short-flag: -" +
            std::string(1, shortFlag));
    }
    addedShortFlags_.insert(shortFlag);
    options_.push_back(std::move(option));
    return *this;
}

IVekCommandBuilder& VekCommandBuilder::AddShortCircuitOption(
    std::unique_ptr<IVekCommandOption> option) {
    if (!option) {
        throw XBrokenInvariantsError("Short circuit option cannot be added, it's null.");
    }
    const char shortFlag = option->GetShortFlag();
    if (option->GetOptionRequirement() != OptionRequirementEnum::Optional) {
        throw XBrokenInvariantsError("Short circuit option not marked optional: -" +
                                     std::string(1, shortFlag));
    }
    AddOption(std::move(option));
    shortCircuitFlags_.insert(shortFlag);
    return *this;
}

std::unique_ptr<IVekCommand> VekCommandBuilder::Build() {
    VekCommandOptionList options = std::move(options_);
    options_.clear();
    std::unordered_set<char> shortCircuitFlags = std::move(shortCircuitFlags_);
    shortCircuitFlags_.clear();

    std::unique_ptr<IVekCommand> command;
    commandFactory_->Create(name_, description_, std::move(options), std::move(shortCircuitFlags),
                            command);

    name_.clear();
    description_.clear();
    addedShortFlags_.clear();
    return command;
}

}  // namespace VekLibrary::IoHandler
