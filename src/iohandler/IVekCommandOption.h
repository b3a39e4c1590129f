#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "iohandler/InputValueTypeEnum.h"
#include "iohandler/OptionRequirementEnum.h"

namespace VekLibrary::IoHandler {

// Checks an option's value text. Returns false to refuse the value; may throw
// XInvalidTestInputError when the text cannot be interpreted at all.
using OptionValidator = std::function<bool(const std::string&)>;

// One immutable, fully validated option of a command: its flags, its JSON
// location, its value type, its per-mode requirement, an optional validator and
// the flags it depends on or excludes. Commands own their options through
// std::unique_ptr.
class IVekCommandOption {
public:
    virtual ~IVekCommandOption() = default;

    virtual const std::string& GetDescription() const = 0;
    // An alphanumeric character; the key under which the parsed value is stored.
    virtual char GetShortFlag() const = 0;
    virtual const std::string& GetLongFlag() const = 0;
    // Object keys leading to the value in the JSON input, outermost first; empty
    // when the option cannot be given as JSON.
    virtual const std::vector<std::string>& GetDatakey() const = 0;
    virtual OptionRequirementEnum GetOptionRequirement() const = 0;
    virtual InputValueTypeEnum GetValueType() const = 0;
    // Empty when the option has no validator.
    virtual OptionValidator GetValidator() const = 0;
    virtual const std::unordered_set<char>& GetFlagDependencies() const = 0;
    virtual const std::unordered_set<char>& GetMutuallyExclusiveFlags() const = 0;
    // A required option stops being required when any of these flags is given (a
    // boolean flag: given as true); the help text still shows its requirement.
    virtual const std::unordered_set<char>& GetRequirementWaivingFlags() const = 0;
};

using VekCommandOptionList = std::vector<std::unique_ptr<IVekCommandOption>>;

}  // namespace VekLibrary::IoHandler
