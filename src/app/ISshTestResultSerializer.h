#pragma once

#include <string>

#include "result/SshTestResult.h"

namespace Ssh {

// Turns one test result into the compact JSON result document that the process
// prints. Only values a stage produced are written, so the keys present tell how
// far the test got.
class ISshTestResultSerializer {
public:
    virtual ~ISshTestResultSerializer() = default;

    // The document text, without a line break. Throws XJsonError when the result
    // cannot be written (a return code that is not a number, text that is not
    // valid UTF-8); nothing is returned then.
    virtual std::string SerializeToJson(const SshTestResult& result) = 0;
    // The same text, but the captured output moves into the document instead of
    // being copied; `result` is left without it (its result size is kept).
    virtual std::string SerializeToJson(SshTestResult&& result) = 0;
};

}  // namespace Ssh
