#pragma once

#include <string>
#include <string_view>

// Byte-string helpers with the "C" locale's character classes: letters are ASCII
// only, and bytes from 0x80 upwards are never whitespace, never hex digits and
// never change case.
namespace VekLibrary::StringUtilities {

void ToLowerInplace(std::string& text);
std::string ToLowerCopy(std::string_view text);
void ToUpperInplace(std::string& text);
std::string ToUpperCopy(std::string_view text);

// Whitespace is blank, tab, line feed, vertical tab, form feed and carriage return.
void TrimInplace(std::string& text);
std::string TrimCopy(std::string_view text);
bool IsEmptyOrWhitespace(std::string_view text);

// False for the empty text.
bool IsValidHexString(std::string_view text);
bool IsCaseInsensitiveEqual(std::string_view left, std::string_view right);
// Case-sensitive; an empty prefix is a prefix of every text.
bool IsPrefix(std::string_view text, std::string_view prefix);
std::string RemovePrefixCopy(std::string_view text, std::string_view prefix);

}  // namespace VekLibrary::StringUtilities
