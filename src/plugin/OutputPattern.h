#pragma once

#include <regex.h>

#include <string>

namespace VekPlugin {

// The -e/--expect pattern: a POSIX extended regular expression, in which "^" and
// "$" also match at line feeds. glibc's matcher needs no recursion, so a megabyte
// of captured output cannot exhaust the stack.
class OutputPattern final {
public:
    // Throws XPluginUsageError with the compiler's reason.
    explicit OutputPattern(const std::string& pattern);
    ~OutputPattern();
    OutputPattern(const OutputPattern&) = delete;
    OutputPattern& operator=(const OutputPattern&) = delete;

    // True when the pattern matches somewhere in `text` (up to a NUL byte).
    bool Matches(const std::string& text) const;

private:
    regex_t compiled_;
};

}  // namespace VekPlugin
