#include "stringutils/Utf8Repair.h"

#include <cstdint>
#include <cstring>

namespace VekLibrary::StringUtilities {

namespace {

constexpr char kReplacementCharacter[] = "\xEF\xBF\xBD";
constexpr std::size_t kReplacementLength = 3;

bool IsContinuation(unsigned char byte) {
    return byte >= 0x80 && byte <= 0xBF;
}

// The length of the sequence at `at`: of the well-formed sequence when `wellFormed`
// comes back true, else of the maximal ill-formed subpart (at least 1). The second
// byte's range depends on the lead byte; that is what keeps out overlong forms,
// surrogates and code points above U+10FFFF.
std::size_t SequenceAt(const unsigned char* at, std::size_t left, bool& wellFormed) {
    const unsigned char lead = at[0];
    wellFormed = false;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        wellFormed = true;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            low = 0xA0;
        } else if (lead == 0xED) {
            high = 0x9F;
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            low = 0x90;
        } else if (lead == 0xF4) {
            high = 0x8F;
        }
    } else {
        return 1;
    }
    if (left < 2 || at[1] < low || at[1] > high) {
        return 1;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (i >= left || !IsContinuation(at[i])) {
            return i;
        }
    }
    wellFormed = true;
    return length;
}

// Eight bytes at a time while they are all ASCII: captured output is mostly ASCII.
std::size_t SkipAscii(const unsigned char* bytes, std::size_t at, std::size_t size) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    while (at + 8 <= size) {
        std::uint64_t word;
        std::memcpy(&word, bytes + at, sizeof(word));
        if ((word & kHighBits) != 0) {
            break;
        }
        at += 8;
    }
    while (at < size && bytes[at] < 0x80) {
        ++at;
    }
    return at;
}

// Appends the repaired form of bytes [at, size) to `out`.
void AppendRepaired(const unsigned char* bytes, std::size_t at, std::size_t size,
                    std::string& out) {
    while (at < size) {
        const std::size_t asciiEnd = SkipAscii(bytes, at, size);
        out.append(reinterpret_cast<const char*>(bytes + at), asciiEnd - at);
        at = asciiEnd;
        if (at == size) {
            break;
        }
        bool wellFormed = false;
        const std::size_t length = SequenceAt(bytes + at, size - at, wellFormed);
        if (wellFormed) {
            out.append(reinterpret_cast<const char*>(bytes + at), length);
        } else {
            out.append(kReplacementCharacter, kReplacementLength);
        }
        at += length;
    }
}

// `invalid` is where the first ill-formed sequence begins; the bytes before it are
// taken over as they are.
std::string RepairedFrom(std::string_view text, std::size_t invalid) {
    std::string repaired;
    // Room for the valid prefix and a few replacements; a replacement can be up to
    // three times the byte it stands for, so growth beyond this is amortised.
    repaired.reserve(text.size() + 16);
    repaired.append(text.data(), invalid);
    AppendRepaired(reinterpret_cast<const unsigned char*>(text.data()), invalid, text.size(),
                   repaired);
    return repaired;
}

}  // namespace

std::size_t FindInvalidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t at = 0;
    for (;;) {
        at = SkipAscii(bytes, at, size);
        if (at == size) {
            return std::string_view::npos;
        }
        bool wellFormed = false;
        const std::size_t length = SequenceAt(bytes + at, size - at, wellFormed);
        if (!wellFormed) {
            return at;
        }
        at += length;
    }
}

std::string ToValidUtf8(std::string_view text) {
    const std::size_t invalid = FindInvalidUtf8(text);
    if (invalid == std::string_view::npos) {
        return std::string(text);
    }
    return RepairedFrom(text, invalid);
}

bool MakeValidUtf8(std::string& text) {
    const std::size_t invalid = FindInvalidUtf8(text);
    if (invalid == std::string_view::npos) {
        return false;
    }
    text = RepairedFrom(text, invalid);
    return true;
}

}  // namespace VekLibrary::StringUtilities
