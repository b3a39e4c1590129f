#include "probeclient/OutputPattern.h"

#include <re2/re2.h>

#include <stdexcept>

namespace VekProbeClient {

namespace {

RE2::Options OptionsFor(OutputPattern::SyntaxEnum syntax) {
    RE2::Options options;
    // A refused pattern is reported to the caller, never logged by RE2 itself.
    options.set_log_errors(false);
    if (syntax == OutputPattern::SyntaxEnum::Posix) {
        options.set_posix_syntax(true);
        options.set_one_line(false);
    }
    return options;
}

}  // namespace

OutputPattern::OutputPattern(const std::string& pattern, SyntaxEnum syntax)
    : compiled_(std::make_unique<re2::RE2>(pattern, OptionsFor(syntax))) {
    if (!compiled_->ok()) {
        throw std::invalid_argument(compiled_->error());
    }
}

OutputPattern::~OutputPattern() = default;

int OutputPattern::CaptureGroups() const {
    return compiled_->NumberOfCapturingGroups();
}

bool OutputPattern::Found(std::string_view text) const {
    return compiled_->Match(re2::StringPiece(text.data(), text.size()), 0, text.size(),
                            RE2::UNANCHORED, nullptr, 0);
}

std::optional<std::string> OutputPattern::FirstGroup(std::string_view text) const {
    re2::StringPiece groups[2];
    if (CaptureGroups() < 1 ||
        !compiled_->Match(re2::StringPiece(text.data(), text.size()), 0, text.size(),
                          RE2::UNANCHORED, groups, 2) ||
        groups[1].data() == nullptr) {
        return std::nullopt;
    }
    return std::string(groups[1].data(), groups[1].size());
}

}  // namespace VekProbeClient
