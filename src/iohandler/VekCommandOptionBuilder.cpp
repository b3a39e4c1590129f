#include "iohandler/VekCommandOptionBuilder.h"

#include <utility>

#include "domain/Exceptions.h"
#include "iohandler/ShortFlag.h"

namespace VekLibrary::IoHandler {
namespace {

// Flags appear in builder errors as their decimal character code, so that an
// unset (NUL) or unprintable flag still reads unambiguously.
std::string FlagsText(char shortFlag, const std::string& longFlag) {
    return "ShortFlag: " + std::to_string(static_cast<int>(static_cast<unsigned char>(shortFlag))) +
           ". LongFlag: " + longFlag;
}

}  // namespace

VekCommandOptionBuilder::VekCommandOptionBuilder(
    std::shared_ptr<IVekCommandOptionFactory> optionFactory)
    : m_optionFactory(std::move(optionFactory)) {
    if (!m_optionFactory) {
        throw XBrokenInvariantsError("Null command option factory provided.");
    }
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::AddDescription(const std::string& description) {
    if (description.empty()) {
        throw XBrokenInvariantsError("Empty description provided for command option.");
    }
    if (!m_description.empty()) {
        throw XBrokenInvariantsError("Description is already set.");
    }
    m_description = description;
    return *this;
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::AddFlags(char shortFlag,
                                                            const std::string& longFlag) {
    if (!IsAlphanumericShortFlag(shortFlag) || longFlag.empty()) {
        throw XBrokenInvariantsError("Flags provided are empty. " + FlagsText(shortFlag, longFlag));
    }
    if (IsAlphanumericShortFlag(m_shortFlag) || !m_longFlag.empty()) {
        throw XBrokenInvariantsError("Flags are already set. " +
                                     FlagsText(m_shortFlag, m_longFlag));
    }
    m_shortFlag = shortFlag;
    m_longFlag = longFlag;
    return *this;
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::AddDatakey(
    const std::vector<std::string>& datakey) {
    if (datakey.empty()) {
        throw XBrokenInvariantsError("Provided datakey is empty.");
    }
    if (!m_datakey.empty()) {
        throw XBrokenInvariantsError("Datakey for the option is already set.");
    }
    m_datakey = datakey;
    return *this;
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::AddOptionRequirement(
    OptionRequirementEnum requirement) {
    if (requirement == OptionRequirementEnum::Unknown) {
        throw XBrokenInvariantsError("Cannot set the option requirement to 'Unknown'.");
    }
    if (m_optionRequirement != OptionRequirementEnum::Unknown) {
        throw XBrokenInvariantsError("Requirement already set for the option.");
    }
    m_optionRequirement = requirement;
    return *this;
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::AddInputValueType(InputValueTypeEnum valueType) {
    if (valueType == InputValueTypeEnum::Unknown) {
        throw XBrokenInvariantsError("Cannot set input value type as 'Unknown'.");
    }
    if (m_valueType != InputValueTypeEnum::Unknown) {
        throw XBrokenInvariantsError("Input value type is already set for the option.");
    }
    m_valueType = valueType;
    return *this;
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::AddValidator(OptionValidator validator) {
    if (!validator) {
        throw XBrokenInvariantsError("Invalid validator passed.");
    }
    if (m_validator) {
        throw XBrokenInvariantsError("Validator already set for the option.");
    }
    m_validator = std::move(validator);
    return *this;
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::DependsOn(
    const std::unordered_set<char>& flags) {
    if (flags.empty()) {
        throw XBrokenInvariantsError("Cannot add dependencies with empty flags.");
    }
    if (!m_flagDependencies.empty()) {
        throw XBrokenInvariantsError("Dependency on other flags are already set.");
    }
    m_flagDependencies = flags;
    return *this;
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::NotRequiredWith(
    const std::unordered_set<char>& flags) {
    if (flags.empty()) {
        throw XBrokenInvariantsError("Cannot waive a requirement with empty flags.");
    }
    if (!requirementWaivingFlags_.empty()) {
        throw XBrokenInvariantsError("Requirement waiving flags are already set.");
    }
    requirementWaivingFlags_ = flags;
    return *this;
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::MutuallyExclusiveWith(
    const std::unordered_set<char>& flags) {
    if (flags.empty()) {
        throw XBrokenInvariantsError("Cannot add mutual exclusion with empty flags.");
    }
    if (!m_mutuallyExclusiveFlags.empty()) {
        throw XBrokenInvariantsError("Mutually exclusive flags are already set.");
    }
    m_mutuallyExclusiveFlags = flags;
    return *this;
}

std::unique_ptr<IVekCommandOption> VekCommandOptionBuilder::Build() {
    VekCommandOptionConstructorParameterPack pack;
    pack.description = m_description;
    pack.optionRequirement = m_optionRequirement;
    pack.valueType = m_valueType;
    pack.shortFlag = m_shortFlag;
    pack.longFlag = m_longFlag;
    pack.datakey = m_datakey;
    pack.mutuallyExclusiveFlags = m_mutuallyExclusiveFlags;
    pack.validator = m_validator;
    pack.flagDependencies = m_flagDependencies;
    pack.requirementWaivingFlags = requirementWaivingFlags_;

    std::unique_ptr<IVekCommandOption> option;
    m_optionFactory->Create(pack, option);
    Reset();
    return option;
}

void VekCommandOptionBuilder::Reset() {
    m_description.clear();
    m_shortFlag = 0;
    m_longFlag.clear();
    m_datakey.clear();
    m_optionRequirement = OptionRequirementEnum::Unknown;
    m_valueType = InputValueTypeEnum::Unknown;
    m_validator = nullptr;
    m_flagDependencies.clear();
    m_mutuallyExclusiveFlags.clear();
    requirementWaivingFlags_.clear();
}

}  // namespace VekLibrary::IoHandler
