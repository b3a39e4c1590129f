#pragma once

#include <string>

#include "iohandler/IVekCommandOption.h"

namespace VekLibrary::IoHandler {

// The help text of a command: its name and description, then per option its flags,
// datakey, description, requirement, input type, dependencies and exclusions.
std::string VekCommandHelpText(const std::string& name, const std::string& description,
                               const VekCommandOptionList& options);

}  // namespace VekLibrary::IoHandler
