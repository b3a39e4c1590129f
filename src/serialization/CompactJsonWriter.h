#pragma once

#include <cstddef>
#include <string>

#include <nlohmann/json_fwd.hpp>

namespace VekLibrary::Serialization {

// Writes the compact text of a JSON node, byte for byte what the JSON library's
// own dump writes without indentation, with non-ASCII text kept as UTF-8 and strict
// UTF-8 checks. Strings are written in runs rather than byte by byte: a captured
// command output of many megabytes is mostly text that needs no escape.
// Private to the serialization library (it needs the JSON library's headers).
class CompactJsonWriter final {
public:
    // Appends to `text`, which must outlive the writer.
    explicit CompactJsonWriter(std::string& text);

    // Appends the text of `node`. Throws XJsonError "Error while serializing the
    // JSON object. Verify if a non utf-8 string stored in JSON." when a string or a
    // key is not valid UTF-8; `text` then holds part of the document.
    void Write(const nlohmann::json& node);

    // Room for the text of `node`: exact for the structure, with an allowance of one
    // byte in eight for escapes in strings. Text beyond it still fits, with one more
    // copy; storage reserved but never written costs no memory.
    static std::size_t SizeEstimate(const nlohmann::json& node);

private:
    void WriteString(const std::string& value);

    std::string& text_;
};

}  // namespace VekLibrary::Serialization
