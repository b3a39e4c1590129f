#include "app/SshTestSessionFactory.h"

#include <iostream>
#include <utility>

#include "app/SshTestSession.h"
#include "domain/Exceptions.h"

namespace Ssh {

SshTestSessionFactory::SshTestSessionFactory(
    std::shared_ptr<ISshTestSessionPolicyFactory> policyFactory,
    std::shared_ptr<ISshClientFactory> clientFactory,
    std::shared_ptr<ISshTestResultSerializerFactory> serializerFactory,
    std::shared_ptr<VekLibrary::IoHandler::IStreamOutputHandlerFactory> outputHandlerFactory,
    std::shared_ptr<VekLibrary::VekLogger::ILogger> logger)
    : policyFactory_(std::move(policyFactory)),
      clientFactory_(std::move(clientFactory)),
      serializerFactory_(std::move(serializerFactory)),
      outputHandlerFactory_(std::move(outputHandlerFactory)),
      logger_(std::move(logger)) {
    using VekLibrary::XBrokenInvariantsError;
    if (!policyFactory_) {
        throw XBrokenInvariantsError("Policy factory cannot be null.");
    }
    if (!clientFactory_) {
        throw XBrokenInvariantsError("SSH client factory cannot be null.");
    }
    if (!serializerFactory_) {
        throw XBrokenInvariantsError("Result serializer factory cannot be null.");
    }
    if (!outputHandlerFactory_) {
        throw XBrokenInvariantsError("Stdout output handler factory cannot be null.");
    }
    if (!logger_) {
        throw XBrokenInvariantsError("Logger cannot be null.");
    }
}

void SshTestSessionFactory::Create(std::unique_ptr<ISshTestSession>& out) {
    std::unique_ptr<ISshClient> client;
    clientFactory_->Create(client);
    std::unique_ptr<ISshTestResultSerializer> serializer;
    serializerFactory_->Create(serializer);
    std::shared_ptr<VekLibrary::IoHandler::IStreamOutputHandler> stdoutHandler;
    outputHandlerFactory_->Create(&std::cout, stdoutHandler);
    out = std::make_unique<SshTestSession>(policyFactory_, std::move(client), std::move(serializer),
                                           std::move(stdoutHandler), logger_);
}

}  // namespace Ssh
