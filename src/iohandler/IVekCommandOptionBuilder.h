#pragma once

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "iohandler/IVekCommandOption.h"

namespace VekLibrary::IoHandler {

// Fluent builder of one command option at a time. Each setter may be called once
// between two Build calls; a refused call throws XBrokenInvariantsError and
// changes nothing. Build hands the caller ownership of the new option and, on
// success, leaves the builder empty for the next option.
class IVekCommandOptionBuilder {
public:
    virtual ~IVekCommandOptionBuilder() = default;

    virtual IVekCommandOptionBuilder& AddDescription(const std::string& description) = 0;
    virtual IVekCommandOptionBuilder& AddFlags(char shortFlag, const std::string& longFlag) = 0;
    virtual IVekCommandOptionBuilder& AddDatakey(const std::vector<std::string>& datakey) = 0;
    virtual IVekCommandOptionBuilder& AddOptionRequirement(OptionRequirementEnum requirement) = 0;
    virtual IVekCommandOptionBuilder& AddInputValueType(InputValueTypeEnum valueType) = 0;
    virtual IVekCommandOptionBuilder& AddValidator(OptionValidator validator) = 0;
    virtual IVekCommandOptionBuilder& DependsOn(const std::unordered_set<char>& flags) = 0;
    virtual IVekCommandOptionBuilder& MutuallyExclusiveWith(
        const std::unordered_set<char>& flags) = 0;
    virtual IVekCommandOptionBuilder& NotRequiredWith(const std::unordered_set<char>& flags) = 0;
    virtual std::unique_ptr<IVekCommandOption> Build() = 0;
};

}  // namespace VekLibrary::IoHandler
