#include "plugin/OutputPattern.h"

#include "plugin/XPluginUsageError.h"

namespace VekPlugin {

OutputPattern::OutputPattern(const std::string& pattern) {
    const int failed =
        ::regcomp(&compiled_, pattern.c_str(), REG_EXTENDED | REG_NOSUB | REG_NEWLINE);
    if (failed != 0) {
        char reason[256];
        ::regerror(failed, &compiled_, reason, sizeof reason);
        throw XPluginUsageError("invalid regular expression '" + pattern + "': " + reason);
    }
}

OutputPattern::~OutputPattern() {
    ::regfree(&compiled_);
}

bool OutputPattern::Matches(const std::string& text) const {
    return ::regexec(&compiled_, text.c_str(), 0, nullptr, 0) == 0;
}

}  // namespace VekPlugin
