#pragma once

#include <optional>
#include <string>
#include <vector>

#include "domain/SensitiveString.h"

namespace VekPlugin {

// The arguments of a command line once its --extra-opts are read.
struct ExtraOptsResult {
    // The options of the ini sections first, then the command line's own without
    // --extra-opts, so that the command line wins.
    std::vector<std::string> arguments;
    // A "password" line of a section: the only place a password may be written.
    std::optional<VekLibrary::VekDomain::SensitiveString> password;
};

// Reads every --extra-opts[=[SECTION][@FILE]] of `arguments` (also
// "--extra-opts VALUE" when VALUE does not start with "-"), the monitoring
// plugins' convention: SECTION defaults to `pluginName`, FILE to $MP_CONFIG_FILE,
// else the first of the standard locations (DefaultExtraOptsFiles) that exists.
// Each "key = value" line of the section becomes "--key=value", a "key" line
// "--key"; lines starting with "#" or ";" are comments. The file is read by the
// shared reader (no blocking open, regular files only, at most 1 MiB); a section
// holding a password must also pass the secret file rule. Throws
// XPluginUsageError saying what is wrong.
ExtraOptsResult ExpandExtraOpts(const std::vector<std::string>& arguments,
                                const std::string& pluginName);

// The standard locations, in the order they are tried.
const std::vector<std::string>& DefaultExtraOptsFiles();

}  // namespace VekPlugin
