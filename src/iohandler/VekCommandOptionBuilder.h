#pragma once

#include <memory>

#include "iohandler/IVekCommandOptionBuilder.h"
#include "iohandler/IVekCommandOptionFactory.h"

namespace VekLibrary::IoHandler {

class VekCommandOptionBuilder final : public IVekCommandOptionBuilder {
public:
    // Throws XBrokenInvariantsError when the factory is null.
    explicit VekCommandOptionBuilder(std::shared_ptr<IVekCommandOptionFactory> optionFactory);

    IVekCommandOptionBuilder& AddDescription(const std::string& description) override;
    IVekCommandOptionBuilder& AddFlags(char shortFlag, const std::string& longFlag) override;
    IVekCommandOptionBuilder& AddDatakey(const std::vector<std::string>& datakey) override;
    IVekCommandOptionBuilder& AddOptionRequirement(OptionRequirementEnum requirement) override;
    IVekCommandOptionBuilder& AddInputValueType(InputValueTypeEnum valueType) override;
    IVekCommandOptionBuilder& AddValidator(OptionValidator validator) override;
    IVekCommandOptionBuilder& DependsOn(const std::unordered_set<char>& flags) override;
    IVekCommandOptionBuilder& NotRequiredWith(const std::unordered_set<char>& flags) override;
    IVekCommandOptionBuilder& MutuallyExclusiveWith(const std::unordered_set<char>& flags) override;
    // Tests nothing itself: the option's constructor does. When it throws, the
    // pending values stay.
    std::unique_ptr<IVekCommandOption> Build() override;

private:
    void Reset();

    std::shared_ptr<IVekCommandOptionFactory> m_optionFactory;
    std::string m_description;
    char m_shortFlag = 0;
    std::string m_longFlag;
    std::vector<std::string> m_datakey;
    OptionRequirementEnum m_optionRequirement = OptionRequirementEnum::Unknown;
    InputValueTypeEnum m_valueType = InputValueTypeEnum::Unknown;
    OptionValidator m_validator;
    std::unordered_set<char> m_flagDependencies;
    std::unordered_set<char> requirementWaivingFlags_;
    std::unordered_set<char> m_mutuallyExclusiveFlags;
};

}  // namespace VekLibrary::IoHandler
