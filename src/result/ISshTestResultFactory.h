#pragma once

#include <memory>

#include "result/SshTestResult.h"

namespace Ssh {

// Makes empty test results: no durations set, empty texts, port and size 0. The
// caller owns each result.
class ISshTestResultFactory {
public:
    virtual ~ISshTestResultFactory() = default;

    // Replaces whatever `out` held with a new result in its initial state.
    virtual void Create(std::unique_ptr<SshTestResult>& out) = 0;
};

}  // namespace Ssh
