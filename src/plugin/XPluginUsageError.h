#pragma once

#include <stdexcept>
#include <string>

namespace VekPlugin {

// A fault in the plugin's own command line or in the files it names. The text is
// the reason shown on the UNKNOWN status line.
class XPluginUsageError final : public std::runtime_error {
public:
    explicit XPluginUsageError(const std::string& reason) : std::runtime_error(reason) {}
};

}  // namespace VekPlugin
