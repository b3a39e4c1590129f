#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace re2 {
class RE2;
}

namespace VekProbeClient {

// A regular expression over a command's captured output, which the server
// controls and which may be megabytes long. RE2 matches in time linear in the text,
// with bounded memory and without recursion, so no pattern and no output can stall
// or crash the caller. Matching is thread-safe.
class OutputPattern final {
public:
    enum class SyntaxEnum {
        // RE2's own syntax, the dialect of Prometheus.
        Re2,
        // POSIX extended syntax (RE2's posix_syntax), in which ^ and $ also match
        // at line feeds.
        Posix,
    };

    // Throws std::invalid_argument with RE2's reason when the pattern is not one.
    OutputPattern(const std::string& pattern, SyntaxEnum syntax);
    OutputPattern(const OutputPattern&) = delete;
    OutputPattern& operator=(const OutputPattern&) = delete;
    ~OutputPattern();

    int CaptureGroups() const;
    // True when the pattern matches somewhere in `text`.
    bool Found(std::string_view text) const;
    // The first capture group of the first match; empty when nothing matches or the
    // group took no part in the match.
    std::optional<std::string> FirstGroup(std::string_view text) const;

private:
    std::unique_ptr<re2::RE2> compiled_;
};

}  // namespace VekProbeClient
