#include "domain/SensitiveString.h"

#include <utility>

namespace VekLibrary::VekDomain {

// Copies straight into the member so no intermediate string holds the credential.
SensitiveString::SensitiveString(const std::string& text) : text_(text) {}

// Swapping rather than moving the buffer keeps every credential owned by exactly
// one SensitiveString, so each one is wiped by some destructor.
SensitiveString::SensitiveString(SensitiveString&& other) noexcept {
    text_.swap(other.text_);
}

SensitiveString& SensitiveString::operator=(const SensitiveString& other) {
    SensitiveString copy(other);
    text_.swap(copy.text_);
    return *this;
}

SensitiveString& SensitiveString::operator=(SensitiveString&& other) noexcept {
    text_.swap(other.text_);
    return *this;
}

SensitiveString::~SensitiveString() {
    // Growing to the capacity does not reallocate and makes the whole buffer,
    // including bytes left from longer texts held earlier, legally writable.
    // The stores go through a volatile pointer so the compiler cannot drop them
    // as dead writes just before the buffer is freed.
    text_.resize(text_.capacity());
    volatile char* bytes = text_.data();
    for (std::string::size_type i = 0; i < text_.size(); ++i) {
        bytes[i] = '\0';
    }
}

}  // namespace VekLibrary::VekDomain
