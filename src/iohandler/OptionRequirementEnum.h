#pragma once

namespace VekLibrary::IoHandler {

// Whether an option must be present, separately for the command line and the
// JSON document on standard input.
enum class OptionRequirementEnum {
    Unknown = 0,  // never allowed in a built option
    RequiredForJson = 1,
    RequiredForCli = 2,
    RequiredForBoth = 3,
    Optional = 4,
};

}  // namespace VekLibrary::IoHandler
