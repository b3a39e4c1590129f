#pragma once

#include <memory>

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

private:
    // The stage that was due but had no time left to start.
    enum class StageWithoutTime { None, AuthenticateUser, ExecuteCommands };

    // `writableArgv` is argv itself when the caller lets the password be wiped, else null.
    int Run(int argc, const char* const* argv, char** writableArgv);
    // Runs the stages while time is left; only Connect in the handshake-only mode.
    StageWithoutTime RunStages(const SshTestSessionPolicy& policy);
    int WriteResult(const SshTestSessionPolicy* policy, StageWithoutTime stageWithoutTime);

    std::shared_ptr<ISshTestSessionPolicyFactory> policyFactory_;
    std::shared_ptr<ISshClient> client_;
    std::shared_ptr<ISshTestResultSerializer> serializer_;
    std::shared_ptr<VekLibrary::IoHandler::IStreamOutputHandler> stdoutHandler_;
    std::shared_ptr<VekLibrary::VekLogger::ILogger> logger_;
};

}  // namespace Ssh
