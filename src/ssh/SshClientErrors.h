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

// An SSH library call failed. The text reads "<message> Error : <description>
// (<code>)." and the description is empty for codes without one; the code is also
// kept, for the failures whose recorded key depends on it.
class XLibssh2Error : public XSshClientError {
public:
    XLibssh2Error(const std::string& message, std::int64_t code);

    std::int64_t Code() const noexcept { return code_; }

    // The readable description of a libssh2 error code, or "" when there is none.
    static std::string DescribeCode(std::int64_t code);

private:
    std::int64_t code_;
};

}  // namespace Ssh
