#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/ISshTestResultSerializer.h"
#include "app/ISshTestSession.h"
#include "app/ISshTestSessionPolicyFactory.h"
#include "iohandler/IStreamOutputHandler.h"
#include "logger/ILogger.h"
#include "ssh/ISshClient.h"

namespace Ssh {

class SshTestSession final : public ISshTestSession {
public:
    // Throws XBrokenInvariantsError for a null collaborator, checked in argument order.
    SshTestSession(std::shared_ptr<ISshTestSessionPolicyFactory> policyFactory,
                   std::unique_ptr<ISshClient> client,
                   std::unique_ptr<ISshTestResultSerializer> serializer,
                   std::shared_ptr<VekLibrary::IoHandler::IStreamOutputHandler> stdoutHandler,
                   std::shared_ptr<VekLibrary::VekLogger::ILogger> logger);

    int ExecuteTest(int argc, const char* const* argv) override;
    int ExecuteTest(int argc, char** argv) override;

    // The largest budget a stage accepts; a test timeout of 0 ("no timeout") and
    // any timeout beyond it get this one.
    static constexpr std::int64_t kLargestBudgetMs = 2147483647;

private:
    // `writableArgv` is argv itself when the caller lets the password be wiped, else null.
    int Run(int argc, const char* const* argv, char** writableArgv);
    // Runs the stages while time is left. Returns the stage that was due but had
    // no time left to start, or "" when none was.
    std::string RunStages(const SshTestSessionPolicy& policy);
    int WriteResult(const SshTestSessionPolicy* policy, const std::string& stageWithoutTime);

    std::shared_ptr<ISshTestSessionPolicyFactory> policyFactory_;
    std::shared_ptr<ISshClient> client_;
    std::shared_ptr<ISshTestResultSerializer> serializer_;
    std::shared_ptr<VekLibrary::IoHandler::IStreamOutputHandler> stdoutHandler_;
    std::shared_ptr<VekLibrary::VekLogger::ILogger> logger_;
};

}  // namespace Ssh
