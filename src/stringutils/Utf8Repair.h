#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 well-formedness as the Unicode standard defines it (no surrogates, no
// overlong forms, nothing above U+10FFFF), and its repair: each maximal ill-formed
// subpart becomes one U+FFFD REPLACEMENT CHARACTER, Unicode's recommended practice
// (also the WHATWG decoder's). A sequence cut short by the end of the text is
// ill-formed like any other. All three run in linear time.
namespace VekLibrary::StringUtilities {

// The offset of the first byte that does not begin a well-formed sequence;
// std::string_view::npos when the whole text is valid UTF-8.
std::size_t FindInvalidUtf8(std::string_view text);
std::string ToValidUtf8(std::string_view text);
// Repairs `text` in place. A valid text is left untouched and is not copied.
// Returns whether anything was replaced.
bool MakeValidUtf8(std::string& text);

}  // namespace VekLibrary::StringUtilities
