#pragma once

#include <memory>

#include "result/ISshTestResultFactory.h"

namespace Ssh {

class SshTestResultFactory final : public ISshTestResultFactory {
public:
    void Create(std::unique_ptr<SshTestResult>& out) override;
};

}  // namespace Ssh
