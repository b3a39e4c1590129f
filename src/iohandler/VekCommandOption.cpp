#include "iohandler/VekCommandOption.h"

#include "domain/Exceptions.h"
#include "iohandler/ShortFlag.h"

namespace VekLibrary::IoHandler {

VekCommandOption::VekCommandOption(const VekCommandOptionConstructorParameterPack& pack)
    : description_(pack.description),
      optionRequirement_(pack.optionRequirement),
      valueType_(pack.valueType),
      shortFlag_(pack.shortFlag),
      longFlag_(pack.longFlag),
      datakey_(pack.datakey),
      flagDependencies_(pack.flagDependencies),
      validator_(pack.validator),
      mutuallyExclusiveFlags_(pack.mutuallyExclusiveFlags),
      requirementWaivingFlags_(pack.requirementWaivingFlags) {
    Validate();
}

void VekCommandOption::Validate() const {
    const bool shortFlagSet = IsAlphanumericShortFlag(shortFlag_);
    if (longFlag_.empty()) {
        if (shortFlagSet) {
            throw XBrokenInvariantsError("Long flag not set for the option: -" +
                                         std::string(1, shortFlag_));
        }
        throw XBrokenInvariantsError("Both short and long flags are not set for the option.");
    }
    if (!shortFlagSet) {
        throw XBrokenInvariantsError("Short flag is not set for the option: --" + longFlag_);
    }
    if (description_.empty()) {
        throw XBrokenInvariantsError("Description not set for the option: --" + longFlag_);
    }
    if (valueType_ == InputValueTypeEnum::Unknown) {
        throw XBrokenInvariantsError("Expected input value type is not set for the option: --" +
                                     longFlag_);
    }
    if (optionRequirement_ == OptionRequirementEnum::Unknown) {
        throw XBrokenInvariantsError("Option requirement is not set for the option: --" +
                                     longFlag_);
    }
    const bool requiredForJson = optionRequirement_ == OptionRequirementEnum::RequiredForJson ||
                                 optionRequirement_ == OptionRequirementEnum::RequiredForBoth;
    if (requiredForJson && datakey_.empty()) {
        throw XBrokenInvariantsError("Datakey required but, not set for the option: --" +
                                     longFlag_);
    }
    std::string intersection;
    for (char flag : flagDependencies_) {
        if (mutuallyExclusiveFlags_.count(flag) != 0) {
            intersection.push_back(flag);
        }
    }
    if (!intersection.empty()) {
        throw XBrokenInvariantsError(
            "Cannot have a flag as a dependency while being mutually exclusive with. Long Flag: "
            "--" +
            longFlag_ + ". Intersection: " + intersection);
    }
}

}  // namespace VekLibrary::IoHandler
