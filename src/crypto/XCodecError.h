#pragma once

#include <stdexcept>
#include <string>

namespace VekLibrary::Crypto {

// A Base64 encoding or decoding failure; the text reads "Codec error: <message>".
class XCodecError : public std::runtime_error {
public:
    explicit XCodecError(const std::string& message)
        : std::runtime_error("Codec error: " + message) {}
};

}  // namespace VekLibrary::Crypto
