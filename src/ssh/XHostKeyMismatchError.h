#pragma once

#include <stdexcept>
#include <string>

namespace Ssh {

// The server's host key is not one the test trusts, or is revoked. The text
// is the details recorded in the result, for example "Host key SHA256:<base64> is
// not one of the expected keys.".
class XHostKeyMismatchError final : public std::runtime_error {
public:
    explicit XHostKeyMismatchError(const std::string& details) : std::runtime_error(details) {}
};

}  // namespace Ssh
