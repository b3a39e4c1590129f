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

    std::shared_ptr<IVekCommandOptionFactory> optionFactory_;
    std::string description_;
    char shortFlag_ = 0;
    std::string longFlag_;
    std::vector<std::string> datakey_;
    OptionRequirementEnum optionRequirement_ = OptionRequirementEnum::Unknown;
    InputValueTypeEnum valueType_ = InputValueTypeEnum::Unknown;
    OptionValidator validator_;
    std::unordered_set<char> flagDependencies_;
    std::unordered_set<char> mutuallyExclusiveFlags_;
    std::unordered_set<char> requirementWaivingFlags_;
};

}  // namespace VekLibrary::IoHandler
