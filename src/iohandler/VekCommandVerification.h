#pragma once

#include <string>
#include <unordered_set>

#include "iohandler/IInputParserAdapter.h"
#include "iohandler/IVekCommandOption.h"

namespace VekLibrary::IoHandler {

// The checks of a command, apart from its parsing: of the definition when the
// command is made, and of the values once they are parsed.

// Refuses an inconsistent definition with XBrokenInvariantsError: an empty name,
// description or option list, a null option, a short flag, long flag or last datakey
// used twice, or an option depending on a short-circuit flag.
void CheckCommandDefinition(const std::string& name, const std::string& description,
                            const VekCommandOptionList& options,
                            const std::unordered_set<char>& shortCircuitFlags);

// Refuses with XInvalidTestInputError a given option without a value, a missing
// dependency, a present exclusion, or a value its validator refuses.
void VerifyParsedValues(const VekCommandOptionList& options, const ParsedOptionValues& values);

}  // namespace VekLibrary::IoHandler
