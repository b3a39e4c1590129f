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
    : optionFactory_(std::move(optionFactory)) {
    if (!optionFactory_) {
        throw XBrokenInvariantsError("Null command option factory provided.");
    }
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::AddDescription(const std::string& description) {
    if (description.empty()) {
        throw XBrokenInvariantsError("Empty description provided for command option.");
    }
    if (!description_.empty()) {
        throw XBrokenInvariantsError("Description is already set.");
    }
    description_ = description;
    return *this;
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::AddFlags(char shortFlag,
                                                            const std::string& longFlag) {
    if (!IsAlphanumericShortFlag(shortFlag) || longFlag.empty()) {
        throw XBrokenInvariantsError("Flags provided are empty. " + FlagsText(shortFlag, longFlag));
    }
    if (IsAlphanumericShortFlag(shortFlag_) || !longFlag_.empty()) {
        throw XBrokenInvariantsError("Flags are already set. " + FlagsText(shortFlag_, longFlag_));
    }
    shortFlag_ = shortFlag;
    longFlag_ = longFlag;
    return *this;
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::AddDatakey(
    const std::vector<std::string>& datakey) {
    if (datakey.empty()) {
        throw XBrokenInvariantsError("Provided datakey is empty.");
    }
    if (!datakey_.empty()) {
        throw XBrokenInvariantsError("Datakey for the option is already set.");
    }
    datakey_ = datakey;
    return *this;
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::AddOptionRequirement(
    OptionRequirementEnum requirement) {
    if (requirement == OptionRequirementEnum::Unknown) {
        throw XBrokenInvariantsError("Cannot set the option requirement to 'Unknown'.");
    }
    if (optionRequirement_ != OptionRequirementEnum::Unknown) {
        throw XBrokenInvariantsError("Requirement already set for the option.");
    }
    optionRequirement_ = requirement;
    return *this;
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::AddInputValueType(InputValueTypeEnum valueType) {
    if (valueType == InputValueTypeEnum::Unknown) {
        throw XBrokenInvariantsError("Cannot set input value type as 'Unknown'.");
    }
    if (valueType_ != InputValueTypeEnum::Unknown) {
        throw XBrokenInvariantsError("Input value type is already set for the option.");
    }
    valueType_ = valueType;
    return *this;
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::AddValidator(OptionValidator validator) {
    if (!validator) {
        throw XBrokenInvariantsError("Invalid validator passed.");
    }
    if (validator_) {
        throw XBrokenInvariantsError("Validator already set for the option.");
    }
    validator_ = std::move(validator);
    return *this;
}

IVekCommandOptionBuilder& VekCommandOptionBuilder::DependsOn(
    const std::unordered_set<char>& flags) {
    if (flags.empty()) {
        throw XBrokenInvariantsError("Cannot add dependencies with empty flags.");
    }
    if (!flagDependencies_.empty()) {
        throw XBrokenInvariantsError("Dependency on other flags are already set.");
    }
    flagDependencies_ = flags;
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
    if (!mutuallyExclusiveFlags_.empty()) {
        throw XBrokenInvariantsError("Mutually exclusive flags are already set.");
    }
    mutuallyExclusiveFlags_ = flags;
    return *this;
}

std::unique_ptr<IVekCommandOption> VekCommandOptionBuilder::Build() {
    VekCommandOptionConstructorParameterPack pack;
    pack.description = description_;
    pack.optionRequirement = optionRequirement_;
    pack.valueType = valueType_;
    pack.shortFlag = shortFlag_;
    pack.longFlag = longFlag_;
    pack.datakey = datakey_;
    pack.mutuallyExclusiveFlags = mutuallyExclusiveFlags_;
    pack.validator = validator_;
    pack.flagDependencies = flagDependencies_;
    pack.requirementWaivingFlags = requirementWaivingFlags_;

    std::unique_ptr<IVekCommandOption> option;
    optionFactory_->Create(pack, option);
    Reset();
    return option;
}

void VekCommandOptionBuilder::Reset() {
    description_.clear();
    shortFlag_ = 0;
    longFlag_.clear();
    datakey_.clear();
    optionRequirement_ = OptionRequirementEnum::Unknown;
    valueType_ = InputValueTypeEnum::Unknown;
    validator_ = nullptr;
    flagDependencies_.clear();
    mutuallyExclusiveFlags_.clear();
    requirementWaivingFlags_.clear();
}

}  // namespace VekLibrary::IoHandler
