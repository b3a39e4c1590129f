#pragma once

#include <memory>

#include "app/ISshTestResultSerializerFactory.h"
#include "app/ISshTestSessionFactory.h"
#include "app/ISshTestSessionPolicyFactory.h"
#include "iohandler/IStreamOutputHandlerFactory.h"
#include "logger/ILogger.h"
#include "ssh/ISshClientFactory.h"

namespace Ssh {

class SshTestSessionFactory final : public ISshTestSessionFactory {
public:
    // Throws XBrokenInvariantsError for a null collaborator, checked in argument order.
    SshTestSessionFactory(
        std::shared_ptr<ISshTestSessionPolicyFactory> policyFactory,
        std::shared_ptr<ISshClientFactory> clientFactory,
        std::shared_ptr<ISshTestResultSerializerFactory> serializerFactory,
        std::shared_ptr<VekLibrary::IoHandler::IStreamOutputHandlerFactory> outputHandlerFactory,
        std::shared_ptr<VekLibrary::VekLogger::ILogger> logger);

    void Create(std::unique_ptr<ISshTestSession>& out) override;

private:
    std::shared_ptr<ISshTestSessionPolicyFactory> policyFactory_;
    std::shared_ptr<ISshClientFactory> clientFactory_;
    std::shared_ptr<ISshTestResultSerializerFactory> serializerFactory_;
    std::shared_ptr<VekLibrary::IoHandler::IStreamOutputHandlerFactory> outputHandlerFactory_;
    std::shared_ptr<VekLibrary::VekLogger::ILogger> logger_;
};

}  // namespace Ssh
