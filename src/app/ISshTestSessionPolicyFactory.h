#pragma once

#include <memory>
#include <string>

#include "app/SshTestSessionPolicy.h"

namespace Ssh {

// Turns the process's arguments (or, without any, one JSON line on standard
// input) into a validated test policy.
class ISshTestSessionPolicyFactory {
public:
    virtual ~ISshTestSessionPolicyFactory() = default;

    // Returns the help text when help was asked for, leaving `policy` untouched;
    // otherwise replaces `policy` with a new one and returns "". Throws
    // XInvalidTestInputError for bad input, leaving `policy` untouched.
    virtual std::string CreateOrReturnHelpMessage(
        int argc, const char* const* argv, std::unique_ptr<SshTestSessionPolicy>& policy) = 0;
};

}  // namespace Ssh
