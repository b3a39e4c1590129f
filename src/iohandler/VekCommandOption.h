#pragma once

#include "iohandler/IVekCommandOption.h"
#include "iohandler/VekCommandOptionConstructorParameterPack.h"

namespace VekLibrary::IoHandler {

class VekCommandOption final : public IVekCommandOption {
public:
    // Copies every field, then refuses an inconsistent option with
    // XBrokenInvariantsError.
    explicit VekCommandOption(const VekCommandOptionConstructorParameterPack& pack);

    const std::string& GetDescription() const override { return description_; }
    char GetShortFlag() const override { return shortFlag_; }
    const std::string& GetLongFlag() const override { return longFlag_; }
    const std::vector<std::string>& GetDatakey() const override { return datakey_; }
    OptionRequirementEnum GetOptionRequirement() const override { return optionRequirement_; }
    InputValueTypeEnum GetValueType() const override { return valueType_; }
    OptionValidator GetValidator() const override { return validator_; }
    const std::unordered_set<char>& GetFlagDependencies() const override {
        return flagDependencies_;
    }
    const std::unordered_set<char>& GetMutuallyExclusiveFlags() const override {
        return mutuallyExclusiveFlags_;
    }
    const std::unordered_set<char>& GetRequirementWaivingFlags() const override {
        return requirementWaivingFlags_;
    }

private:
    void Validate() const;

    std::string description_;
    OptionRequirementEnum optionRequirement_;
    InputValueTypeEnum valueType_;
    char shortFlag_;
    std::string longFlag_;
    std::vector<std::string> datakey_;
    std::unordered_set<char> flagDependencies_;
    OptionValidator validator_;
    std::unordered_set<char> mutuallyExclusiveFlags_;
    std::unordered_set<char> requirementWaivingFlags_;
};

}  // namespace VekLibrary::IoHandler
