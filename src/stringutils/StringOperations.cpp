#include "stringutils/StringOperations.h"

#include <algorithm>
#include <cctype>

namespace VekLibrary::StringUtilities {

namespace {

// The <cctype> functions take the byte as an unsigned value; a plain char above
// 0x7F would be negative and undefined behaviour to pass.
unsigned char Byte(char c) {
    return static_cast<unsigned char>(c);
}
bool IsSpace(char c) {
    return std::isspace(Byte(c)) != 0;
}
char ToLower(char c) {
    return static_cast<char>(std::tolower(Byte(c)));
}
char ToUpper(char c) {
    return static_cast<char>(std::toupper(Byte(c)));
}

}  // namespace

void ToLowerInplace(std::string& text) {
    std::transform(text.begin(), text.end(), text.begin(), ToLower);
}

std::string ToLowerCopy(std::string_view text) {
    std::string copy(text);
    ToLowerInplace(copy);
    return copy;
}

void ToUpperInplace(std::string& text) {
    std::transform(text.begin(), text.end(), text.begin(), ToUpper);
}

std::string ToUpperCopy(std::string_view text) {
    std::string copy(text);
    ToUpperInplace(copy);
    return copy;
}

void TrimInplace(std::string& text) {
    const auto first = std::find_if_not(text.begin(), text.end(), IsSpace);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), IsSpace).base();
    if (first >= last) {
        text.clear();
        return;
    }
    // Erasing keeps the buffer, so trimming never allocates.
    text.erase(last, text.end());
    text.erase(text.begin(), first);
}

std::string TrimCopy(std::string_view text) {
    const auto first = std::find_if_not(text.begin(), text.end(), IsSpace);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), IsSpace).base();
    if (first >= last) {
        return std::string();
    }
    return std::string(first, last);
}

bool IsEmptyOrWhitespace(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsSpace);
}

bool IsValidHexString(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(Byte(c)); });
}

bool IsCaseInsensitiveEqual(std::string_view left, std::string_view right) {
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(),
                      [](char a, char b) { return ToUpper(a) == ToUpper(b); });
}

bool IsPrefix(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string RemovePrefixCopy(std::string_view text, std::string_view prefix) {
    if (IsPrefix(text, prefix)) {
        text.remove_prefix(prefix.size());
    }
    return std::string(text);
}

}  // namespace VekLibrary::StringUtilities
