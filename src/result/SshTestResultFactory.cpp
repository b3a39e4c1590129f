#include "result/SshTestResultFactory.h"

namespace Ssh {

void SshTestResultFactory::Create(std::unique_ptr<SshTestResult>& out) {
    out = std::make_unique<SshTestResult>();
}

}  // namespace Ssh
