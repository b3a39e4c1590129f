#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace Ssh {

// A failure of one of the SSH client's stages; the text is kept as given.
class XSshClientError : public std::runtime_error {
public:
    explicit XSshClientError(const std::string& message) : std::runtime_error(message) {}
};

// An SSH library call failed. The code is not stored separately: the text reads
// "<message> Error : <description> (<code>)." and the description is empty for
// codes without one.
class XLibssh2Error : public XSshClientError {
public:
    XLibssh2Error(const std::string& message, std::int64_t code);

    // The readable description of a libssh2 error code, or "" when there is none.
    static std::string DescribeCode(std::int64_t code);
};

}  // namespace Ssh
