#include "iohandler/VekCommandOption.h"

#include "domain/Exceptions.h"
#include "iohandler/ShortFlag.h"

namespace VekLibrary::IoHandler {

VekCommandOption::VekCommandOption(const VekCommandOptionConstructorParameterPack& pack)
    : m_description(pack.description),
      m_optionRequirement(pack.optionRequirement),
      m_valueType(pack.valueType),
      m_shortFlag(pack.shortFlag),
      m_longFlag(pack.longFlag),
      m_datakey(pack.datakey),
      m_flagDependencies(pack.flagDependencies),
      m_validator(pack.validator),
      m_mutuallyExclusiveFlags(pack.mutuallyExclusiveFlags),
      requirementWaivingFlags_(pack.requirementWaivingFlags) {
    Validate();
}

void VekCommandOption::Validate() const {
    const bool shortFlagSet = IsAlphanumericShortFlag(m_shortFlag);
    if (m_longFlag.empty()) {
        if (shortFlagSet) {
            throw XBrokenInvariantsError("Long flag not set for the option: -" +
                                         std::string(1, m_shortFlag));
        }
        throw XBrokenInvariantsError("Both short and long flags are not set for the option.");
    }
    if (!shortFlagSet) {
        throw XBrokenInvariantsError("Short flag is not set for the option: --" + m_longFlag);
    }
    if (m_description.empty()) {
        throw XBrokenInvariantsError("Description not set for the option: --" + m_longFlag);
    }
    if (m_valueType == InputValueTypeEnum::Unknown) {
        throw XBrokenInvariantsError("Expected input value type is not set for the option: --" +
                                     m_longFlag);
    }
    if (m_optionRequirement == OptionRequirementEnum::Unknown) {
        throw XBrokenInvariantsError("Option requirement is not set for the option: --" +
                                     m_longFlag);
    }
    const bool requiredForJson = m_optionRequirement == OptionRequirementEnum::RequiredForJson ||
                                 m_optionRequirement == OptionRequirementEnum::RequiredForBoth;
    if (requiredForJson && m_datakey.empty()) {
        throw XBrokenInvariantsError("Datakey required but, not set for the option: --" +
                                     m_longFlag);
    }
    std::string intersection;
    for (char flag : m_flagDependencies) {
        if (m_mutuallyExclusiveFlags.count(flag) != 0) {
            intersection.push_back(flag);
        }
    }
    if (!intersection.empty()) {
        throw XBrokenInvariantsError(
            "Cannot have a flag as a dependency while being mutually exclusive with. Long Flag: "
            "--" +
            m_longFlag + ". Intersection: " + intersection);
    }
}

}  // namespace VekLibrary::IoHandler
