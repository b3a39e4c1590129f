#pragma once

#include "iohandler/IVekCommandOption.h"
#include "iohandler/VekCommandOptionConstructorParameterPack.h"

namespace VekLibrary::IoHandler {

class VekCommandOption final : public IVekCommandOption {
public:
    // Copies every field, then refuses an inconsistent option with
    // XBrokenInvariantsError.
    explicit VekCommandOption(const VekCommandOptionConstructorParameterPack& pack);

    const std::string& GetDescription() const override { return m_description; }
    char GetShortFlag() const override { return m_shortFlag; }
    const std::string& GetLongFlag() const override { return m_longFlag; }
    const std::vector<std::string>& GetDatakey() const override { return m_datakey; }
    OptionRequirementEnum GetOptionRequirement() const override { return m_optionRequirement; }
    InputValueTypeEnum GetValueType() const override { return m_valueType; }
    OptionValidator GetValidator() const override { return m_validator; }
    const std::unordered_set<char>& GetFlagDependencies() const override {
        return m_flagDependencies;
    }
    const std::unordered_set<char>& GetMutuallyExclusiveFlags() const override {
        return m_mutuallyExclusiveFlags;
    }
    const std::unordered_set<char>& GetRequirementWaivingFlags() const override {
        return requirementWaivingFlags_;
    }

private:
    void Validate() const;

    std::string m_description;
    OptionRequirementEnum m_optionRequirement;
    InputValueTypeEnum m_valueType;
    char m_shortFlag;
    std::string m_longFlag;
    std::vector<std::string> m_datakey;
    std::unordered_set<char> m_flagDependencies;
    OptionValidator m_validator;
    std::unordered_set<char> m_mutuallyExclusiveFlags;
    std::unordered_set<char> requirementWaivingFlags_;
};

}  // namespace VekLibrary::IoHandler
