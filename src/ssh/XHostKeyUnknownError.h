#pragma once

#include <stdexcept>
#include <string>

namespace Ssh {

// The known hosts the test trusts name no key at all for the server's name. The
// text is the details recorded in the result: "The known hosts list no key for
// <name>.".
class XHostKeyUnknownError final : public std::runtime_error {
public:
    explicit XHostKeyUnknownError(const std::string& details) : std::runtime_error(details) {}
};

}  // namespace Ssh
