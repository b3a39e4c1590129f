#pragma once

#include <stdexcept>
#include <string>

// The two failure classes of the command and input framework. Both keep the
// message unchanged.
namespace VekLibrary::IoHandler {

// A fault in the user's test input (options, values, the JSON document).
class XInvalidTestInputError : public std::runtime_error {
public:
    explicit XInvalidTestInputError(const std::string& message) : std::runtime_error(message) {}
};

// A failure of the standard input or output streams.
class XInputOutputError : public std::runtime_error {
public:
    explicit XInputOutputError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace VekLibrary::IoHandler
