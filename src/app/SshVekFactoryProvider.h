#pragma once

#include <memory>

#include "app/ISshVekFactoryProvider.h"
#include "iohandler/IIoHandlerLibraryFactoryProvider.h"
#include "logger/ILogger.h"
#include "logger/ILoggerLibraryFactoryProvider.h"
#include "networking/INetworkingLibraryFactoryProvider.h"
#include "serialization/ISerializationLibraryFactoryProvider.h"

namespace Ssh {

class SshVekFactoryProvider final : public ISshVekFactoryProvider {
public:
    // Builds the whole graph; a null factory anywhere raises XBrokenInvariantsError.
    SshVekFactoryProvider();

    std::shared_ptr<ISshTestResultFactory> GetTestResultFactory() override;
    std::shared_ptr<ISshTestResultSerializerFactory> GetTestResultSerializerFactory() override;
    std::shared_ptr<ISshTestSessionPolicyFactory> GetTestSessionPolicyFactory() override;
    std::shared_ptr<ISshClientFactory> GetSshClientFactory() override;
    std::shared_ptr<ISshTestSessionFactory> GetSshTestSessionFactory() override;

private:
    std::shared_ptr<VekLibrary::Serialization::ISerializationLibraryFactoryProvider>
        serializationProvider_;
    std::shared_ptr<VekLibrary::IoHandler::IIoHandlerLibraryFactoryProvider> ioHandlerProvider_;
    std::shared_ptr<VekLibrary::VekLogger::ILoggerLibraryFactoryProvider> loggerProvider_;
    std::shared_ptr<VekLibrary::Networking::INetworkingLibraryFactoryProvider> networkingProvider_;
    std::shared_ptr<ISshTestResultFactory> testResultFactory_;
    std::shared_ptr<ISshTestResultSerializerFactory> serializerFactory_;
    std::shared_ptr<ISshTestSessionPolicyFactory> policyFactory_;
    std::shared_ptr<ISshTestSessionFactory> sessionFactory_;
    std::shared_ptr<ISshClientFactory> clientFactory_;
    std::shared_ptr<VekLibrary::VekLogger::ILogger> logger_;
};

}  // namespace Ssh
