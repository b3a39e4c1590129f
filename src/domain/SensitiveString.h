#pragma once

#include <string>

namespace VekLibrary::VekDomain {

// Holds a credential (user name, password) and overwrites every character of its
// storage with zero bytes before that storage is released, whether the text sits
// inside the object (short texts) or on the heap.
//
// Assignment swaps the old text into the source object (or into a temporary
// copy), so the replaced credential is wiped when that object dies instead of
// being left behind in freed memory. Text copied out through GetText() is the
// caller's to protect.
class SensitiveString final {
public:
    SensitiveString() = default;
    SensitiveString(const std::string& text);  // NOLINT: converting on purpose, like a string
    SensitiveString(const SensitiveString& other) = default;
    SensitiveString(SensitiveString&& other) noexcept;
    SensitiveString& operator=(const SensitiveString& other);
    SensitiveString& operator=(SensitiveString&& other) noexcept;
    ~SensitiveString();

    const std::string& GetText() const { return text_; }
    operator const std::string&() const { return text_; }  // NOLINT: read like a string

    bool operator==(const SensitiveString& other) const { return text_ == other.text_; }
    bool operator!=(const SensitiveString& other) const { return text_ != other.text_; }

private:
    std::string text_;
};

}  // namespace VekLibrary::VekDomain
