#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "iohandler/IVekCommandOption.h"

namespace VekLibrary::IoHandler {

// Carries one option's values from the builder to the option's constructor. It
// owns copies of everything; nothing here is checked.
struct VekCommandOptionConstructorParameterPack {
    std::string description;
    OptionRequirementEnum optionRequirement = OptionRequirementEnum::Unknown;
    InputValueTypeEnum valueType = InputValueTypeEnum::Unknown;
    char shortFlag = 0;
    std::string longFlag;
    std::vector<std::string> datakey;
    std::unordered_set<char> mutuallyExclusiveFlags;
    OptionValidator validator;
    std::unordered_set<char> flagDependencies;
    std::unordered_set<char> requirementWaivingFlags;
};

}  // namespace VekLibrary::IoHandler
