#pragma once

#include <stdexcept>
#include <string>

namespace VekLibrary::Serialization {

// Every failure of the JSON facade. The two-argument form appends the JSON
// library's own error text as "<message>. [Extra] <detail>".
class XJsonError : public std::runtime_error {
public:
    explicit XJsonError(const std::string& message) : std::runtime_error(message) {}
    XJsonError(const std::string& message, const std::string& detail)
        : std::runtime_error(message + ". [Extra] " + detail) {}
};

}  // namespace VekLibrary::Serialization
