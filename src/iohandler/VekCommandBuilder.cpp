#include "iohandler/VekCommandBuilder.h"

#include <utility>

#include "domain/Exceptions.h"
#include "iohandler/ShortFlag.h"

namespace VekLibrary::IoHandler {

VekCommandBuilder::VekCommandBuilder(std::shared_ptr<IVekCommandFactory> commandFactory)
    : m_commandFactory(std::move(commandFactory)) {
    if (!m_commandFactory) {
        throw XBrokenInvariantsError("Null command factory provided.");
    }
}

IVekCommandBuilder& VekCommandBuilder::AddCommandDetails(const std::string& name,
                                                         const std::string& description) {
    if (name.empty() || description.empty()) {
        throw XBrokenInvariantsError("Command name or description provided is empty.");
    }
    if (!m_name.empty() || !m_description.empty()) {
        throw XBrokenInvariantsError("Command name and description already set.");
    }
    m_name = name;
    m_description = description;
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
    if (m_addedShortFlags.count(shortFlag) != 0) {
        throw XBrokenInvariantsError(
            "Cannot add option. Option already added having short-flag: -" +
            std::string(1, shortFlag));
    }
    m_addedShortFlags.insert(shortFlag);
    m_options.push_back(std::move(option));
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
    m_shortCircuitFlags.insert(shortFlag);
    return *this;
}

std::unique_ptr<IVekCommand> VekCommandBuilder::Build() {
    VekCommandOptionList options = std::move(m_options);
    m_options.clear();
    std::unordered_set<char> shortCircuitFlags = std::move(m_shortCircuitFlags);
    m_shortCircuitFlags.clear();

    std::unique_ptr<IVekCommand> command;
    m_commandFactory->Create(m_name, m_description, std::move(options),
                             std::move(shortCircuitFlags), command);

    m_name.clear();
    m_description.clear();
    m_addedShortFlags.clear();
    return command;
}

}  // namespace VekLibrary::IoHandler
