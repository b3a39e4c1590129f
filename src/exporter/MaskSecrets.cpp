#include "exporter/MaskSecrets.h"

#include <algorithm>
#include <cctype>

namespace VekExporter {

namespace {

constexpr std::size_t kMaxShownBytes = 500;

bool ContainsIgnoringCase(const std::string& text, const std::string& part) {
    const auto equal = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    return std::search(text.begin(), text.end(), part.begin(), part.end(), equal) != text.end();
}

}  // namespace

std::string MaskSecrets(const std::string& line,
                        const std::vector<VekLibrary::VekDomain::SensitiveString>& secrets) {
    for (const std::string& secret : secrets) {
        // The whole line is checked before cutting, so that a secret across the cut
        // cannot slip through in part.
        if (!secret.empty() && ContainsIgnoringCase(line, secret)) {
            return ">>MASKED<<";
        }
    }
    return line.size() <= kMaxShownBytes ? line : line.substr(0, kMaxShownBytes) + "...";
}

}  // namespace VekExporter
