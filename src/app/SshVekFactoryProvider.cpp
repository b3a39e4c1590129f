#include "app/SshVekFactoryProvider.h"

#include "app/SshTestResultSerializerFactory.h"
#include "app/SshTestSessionFactory.h"
#include "app/SshTestSessionPolicyFactory.h"
#include "iohandler/IoHandlerLibraryFactoryProvider.h"
#include "logger/LoggerLibraryFactoryProvider.h"
#include "networking/NetworkingLibraryFactoryProvider.h"
#include "result/SshTestResultFactory.h"
#include "serialization/SerializationLibraryFactoryProvider.h"
#include "ssh/SshClientFactory.h"

namespace Ssh {

SshVekFactoryProvider::SshVekFactoryProvider() {
    serializationProvider_ =
        std::make_shared<VekLibrary::Serialization::SerializationLibraryFactoryProvider>();
    ioHandlerProvider_ = std::make_shared<VekLibrary::IoHandler::IoHandlerLibraryFactoryProvider>(
        serializationProvider_);
    loggerProvider_ =
        std::make_shared<VekLibrary::VekLogger::LoggerLibraryFactoryProvider>(ioHandlerProvider_);
    loggerProvider_->GetLoggerFactory()->Create(logger_);
    networkingProvider_ =
        std::make_shared<VekLibrary::Networking::NetworkingLibraryFactoryProvider>();
    testResultFactory_ = std::make_shared<SshTestResultFactory>();
    serializerFactory_ = std::make_shared<SshTestResultSerializerFactory>(
        serializationProvider_->GetJsonWrapperFactory());

    std::shared_ptr<VekLibrary::IoHandler::IVekCommandBuilder> commandBuilder;
    ioHandlerProvider_->GetVekCommandBuilderFactory()->Create(commandBuilder);
    std::shared_ptr<VekLibrary::IoHandler::IVekCommandOptionBuilder> optionBuilder;
    ioHandlerProvider_->GetVekCommandOptionBuilderFactory()->Create(optionBuilder);
    policyFactory_ = std::make_shared<SshTestSessionPolicyFactory>(
        optionBuilder, commandBuilder, networkingProvider_->GetUrlComponentsFactory());

    auto networkingWrapperFactory = networkingProvider_->GetLinuxNetworkingWrapperFactory();
    auto dnsStrategyFactory = networkingProvider_->GetDnsResolutionStrategyFactory();
    clientFactory_ = std::make_shared<SshClientFactory>(
        dnsStrategyFactory, networkingWrapperFactory, testResultFactory_, logger_);
    sessionFactory_ = std::make_shared<SshTestSessionFactory>(
        policyFactory_, clientFactory_, serializerFactory_,
        ioHandlerProvider_->GetStreamOutputHandlerFactory(), logger_);
}

std::shared_ptr<ISshTestResultFactory> SshVekFactoryProvider::GetTestResultFactory() {
    return testResultFactory_;
}

std::shared_ptr<ISshTestResultSerializerFactory>
SshVekFactoryProvider::GetTestResultSerializerFactory() {
    return serializerFactory_;
}

std::shared_ptr<ISshTestSessionPolicyFactory> SshVekFactoryProvider::GetTestSessionPolicyFactory() {
    return policyFactory_;
}

std::shared_ptr<ISshClientFactory> SshVekFactoryProvider::GetSshClientFactory() {
    return clientFactory_;
}

std::shared_ptr<ISshTestSessionFactory> SshVekFactoryProvider::GetSshTestSessionFactory() {
    return sessionFactory_;
}

}  // namespace Ssh
