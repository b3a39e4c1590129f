#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

#include "iohandler/IVekCommandOption.h"

namespace VekLibrary::IoHandler {

// The declared shape of the program's input: a name, a description and an
// ordered list of options that the command owns. Parse takes the process
// arguments, verifies them against the options and keeps one value text per
// short flag, which TryGet converts on request.
class IVekCommand {
public:
    virtual ~IVekCommand() = default;

    // Replaces the parsed values. Throws XInvalidTestInputError for bad input and
    // XBrokenInvariantsError when no parser can be made.
    virtual void Parse(int argc, const char* const argv[]) = 0;

    // Each TryGet returns false and leaves `value` unchanged when the flag has no
    // value; throws XInvalidTestInputError when nothing has been parsed or the
    // text does not convert.
    virtual bool TryGet(char shortFlag, bool& value) const = 0;
    virtual bool TryGet(char shortFlag, std::int64_t& value) const = 0;
    virtual bool TryGet(char shortFlag, std::uint64_t& value) const = 0;
    virtual bool TryGet(char shortFlag, double& value) const = 0;
    virtual bool TryGet(char shortFlag, std::string& value) const = 0;

    virtual std::string GetHelpMessage() const = 0;
    virtual const std::unordered_set<char>& GetShortCircuitCommandOptionFlags() const = 0;
    virtual const VekCommandOptionList& GetCommandOptions() const = 0;
    virtual const std::string& GetName() const = 0;
    virtual const std::string& GetDescription() const = 0;
};

}  // namespace VekLibrary::IoHandler
