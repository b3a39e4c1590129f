#pragma once

#include <stdexcept>
#include <string>

// The exception classes shared by every subsystem. Each carries one finished,
// readable text: callers log it and the SSH client copies it into the result's
// error details, so the prefixes below are part of the output contract.
namespace VekLibrary {

// A wiring or precondition fault: a null collaborator, an out-of-range value
// handed between components, an inconsistent definition. The text is kept as given.
class XBrokenInvariantsError : public std::runtime_error {
public:
    explicit XBrokenInvariantsError(const std::string& message) : std::runtime_error(message) {}
};

// An operation on an object that cannot perform it (an unset duration, a closed socket).
class XInvalidOperationError : public std::runtime_error {
public:
    explicit XInvalidOperationError(const std::string& message)
        : std::runtime_error("Invalid operation: " + message) {}
};

// A stage ran out of the test's time budget.
class XTestTimeout : public std::runtime_error {
public:
    explicit XTestTimeout(const std::string& reason)
        : std::runtime_error("A timeout occurred. Reason: " + reason) {}
};

}  // namespace VekLibrary
