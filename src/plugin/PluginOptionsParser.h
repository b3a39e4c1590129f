#pragma once

#include <string>
#include <vector>

#include "plugin/PluginOptions.h"

namespace VekPlugin {

// Parses check_vek's arguments (without the program name) the getopt_long way:
// grouped short flags, attached or separate values, unambiguous abbreviations of
// long names; the last of a repeated option counts, except for the repeatable
// --stage-warning and --stage-critical. With -h or -V nothing else is checked.
// Throws XPluginUsageError with the reason for everything it refuses.
PluginOptions ParsePluginOptions(const std::vector<std::string>& arguments);

}  // namespace VekPlugin
