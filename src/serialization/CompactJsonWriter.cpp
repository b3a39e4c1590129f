#include "serialization/CompactJsonWriter.h"

#include <cstdint>
#include <cstring>

#include <nlohmann/json.hpp>

#include "serialization/XJsonError.h"

namespace VekLibrary::Serialization {

using Json = nlohmann::json;

namespace {

constexpr const char* kInvalidUtf8Message =
    "Error while serializing the JSON object. Verify if a non utf-8 string stored in JSON.";

constexpr std::uint64_t kEachByte = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// True when one of the eight bytes of `word` is below `limit` (at most 0x80); exact
// for "any", which is all the callers ask.
constexpr bool HasByteBelow(std::uint64_t word, std::uint64_t limit) {
    return ((word - kEachByte * limit) & ~word & kHighBits) != 0;
}

constexpr bool HasByte(std::uint64_t word, std::uint64_t value) {
    return HasByteBelow(word ^ (kEachByte * value), 1);
}

// False when all eight bytes are ASCII that JSON writes unchanged.
constexpr bool NeedsAttention(std::uint64_t word) {
    return (word & kHighBits) != 0 || HasByteBelow(word, 0x20) || HasByte(word, '"') ||
           HasByte(word, '\\');
}

constexpr bool IsContinuation(unsigned char byte, unsigned char low = 0x80,
                              unsigned char high = 0xBF) {
    return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 sequence (Unicode Table 3-7: no overlong
// forms, no surrogates, nothing above U+10FFFF) that starts with the non-ASCII
// byte at `bytes`, or 0 when there is none. The JSON library accepts exactly these.
std::size_t SequenceLength(const unsigned char* bytes, std::size_t available) {
    const unsigned char lead = bytes[0];
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (available < length || !IsContinuation(bytes[1], low, high)) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsContinuation(bytes[i])) {
            return 0;
        }
    }
    return length;
}

void AppendEscape(unsigned char byte, std::string& text) {
    switch (byte) {
        case '"':
            text += "\\\"";
            return;
        case '\\':
            text += "\\\\";
            return;
        case '\b':
            text += "\\b";
            return;
        case '\f':
            text += "\\f";
            return;
        case '\n':
            text += "\\n";
            return;
        case '\r':
            text += "\\r";
            return;
        case '\t':
            text += "\\t";
            return;
        default: {
            constexpr const char* kHexDigits = "0123456789abcdef";
            const char escape[] = {
                '\\', 'u', '0', '0', kHexDigits[byte >> 4], kHexDigits[byte & 0xF]};
            text.append(escape, sizeof escape);
            return;
        }
    }
}

}  // namespace

CompactJsonWriter::CompactJsonWriter(std::string& text) : text_(text) {}

void CompactJsonWriter::Write(const Json& node) {
    switch (node.type()) {
        case Json::value_t::object: {
            text_ += '{';
            bool first = true;
            for (const auto& [key, value] : node.get_ref<const Json::object_t&>()) {
                if (!first) {
                    text_ += ',';
                }
                first = false;
                WriteString(key);
                text_ += ':';
                Write(value);
            }
            text_ += '}';
            return;
        }
        case Json::value_t::array: {
            text_ += '[';
            bool first = true;
            for (const Json& element : node) {
                if (!first) {
                    text_ += ',';
                }
                first = false;
                Write(element);
            }
            text_ += ']';
            return;
        }
        case Json::value_t::string:
            WriteString(node.get_ref<const std::string&>());
            return;
        default:
            // Numbers, booleans and null are short: the library's own text keeps its
            // number format exactly.
            text_ += node.dump(-1, ' ', false, Json::error_handler_t::strict);
            return;
    }
}

void CompactJsonWriter::WriteString(const std::string& value) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(value.data());
    const std::size_t size = value.size();
    text_ += '"';
    std::size_t runStart = 0;
    std::size_t i = 0;
    while (i < size) {
        if (size - i >= sizeof(std::uint64_t)) {
            std::uint64_t word;
            std::memcpy(&word, bytes + i, sizeof word);
            if (!NeedsAttention(word)) {
                i += sizeof word;
                continue;
            }
        }
        const unsigned char byte = bytes[i];
        if (byte >= 0x80) {
            const std::size_t length = SequenceLength(bytes + i, size - i);
            if (length == 0) {
                throw XJsonError(kInvalidUtf8Message);
            }
            i += length;
        } else if (byte >= 0x20 && byte != '"' && byte != '\\') {
            ++i;
        } else {
            text_.append(value, runStart, i - runStart);
            AppendEscape(byte, text_);
            runStart = ++i;
        }
    }
    text_.append(value, runStart, size - runStart);
    text_ += '"';
}

std::size_t CompactJsonWriter::SizeEstimate(const Json& node) {
    constexpr std::size_t kLongestScalar = 32;  // a number, true, false or null
    const auto stringSize = [](std::size_t bytes) { return bytes + bytes / 8 + 2; };
    switch (node.type()) {
        case Json::value_t::object: {
            std::size_t size = 2;
            for (const auto& [key, value] : node.get_ref<const Json::object_t&>()) {
                size += stringSize(key.size()) + 2 + SizeEstimate(value);
            }
            return size;
        }
        case Json::value_t::array: {
            std::size_t size = 2;
            for (const Json& element : node) {
                size += SizeEstimate(element) + 1;
            }
            return size;
        }
        case Json::value_t::string:
            return stringSize(node.get_ref<const std::string&>().size());
        default:
            return kLongestScalar;
    }
}

}  // namespace VekLibrary::Serialization
