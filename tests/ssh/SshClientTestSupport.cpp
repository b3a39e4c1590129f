#include "ssh/SshClientTestSupport.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

#include "crypto/Base64Codec.h"
#include "fixtures/OpenSshFingerprint.h"
#include "logger/LogLevelEnum.h"
#include "logger/Logger.h"
#include "logger/UtcTimestampProvider.h"
#include "networking/LinuxNetworkingWrapper.h"
#include "networking/NetworkingLibraryFactoryProvider.h"
#include "result/SshTestResultFactory.h"
#include "ssh/SshClient.h"
#include "ssh/SshClientFactory.h"

namespace VekTest {

namespace {

std::unique_ptr<Ssh::ISshClient> MakeLoggingClient(
    const std::shared_ptr<VekLibrary::VekLogger::ILogger>& logger,
    std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategy> dnsStrategy) {
    auto resultFactory = std::make_shared<Ssh::SshTestResultFactory>();
    if (dnsStrategy) {
        return std::make_unique<Ssh::SshClient>(
            std::move(dnsStrategy),
            std::make_shared<VekLibrary::Networking::LinuxNetworkingWrapper>(), resultFactory,
            logger);
    }
    VekLibrary::Networking::NetworkingLibraryFactoryProvider networking;
    Ssh::SshClientFactory factory(networking.GetDnsResolutionStrategyFactory(),
                                  networking.GetLinuxNetworkingWrapperFactory(), resultFactory,
                                  logger);
    std::unique_ptr<Ssh::ISshClient> client;
    factory.Create(client);
    return client;
}

}  // namespace

ClientRun RunClient(const ClientRequest& request,
                    std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategy> dnsStrategy) {
    auto sink = std::make_shared<RecordingStreamOutputHandler>();
    auto logger = std::make_shared<VekLibrary::VekLogger::Logger>(
        sink, std::make_shared<VekLibrary::VekLogger::UtcTimestampProvider>());
    logger->SetLogLevelCutoff(VekLibrary::VekLogger::LogLevelEnum::Debug);
    logger->SetSanitizationHints({request.user, request.password});
    ClientRun run;
    {
        std::unique_ptr<Ssh::ISshClient> client = MakeLoggingClient(logger, std::move(dnsStrategy));
        client->SetLoggingHints(true, true);
        if (!request.expectedHostKeys.empty()) {
            client->SetExpectedHostKeys(request.expectedHostKeys);
        }
        const auto start = std::chrono::steady_clock::now();
        try {
            std::int64_t left =
                client->Connect(request.host, request.port, request.family, request.budget);
            if (left > 0) {
                left = client->AuthenticateUser(request.user, request.password, left);
            }
            if (left > 0) {
                client->ExecuteCommands(request.commands, request.maximumBytes, left);
            }
        } catch (const std::exception& error) {
            run.raised = error.what();
        }
        run.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        run.result = client->GetResults();
    }
    run.log = sink->Joined();
    return run;
}

std::unique_ptr<Ssh::ISshClient> MakeClient(std::shared_ptr<RecordingStreamOutputHandler> sink) {
    return MakeLoggingClient(
        std::make_shared<VekLibrary::VekLogger::Logger>(
            std::move(sink), std::make_shared<VekLibrary::VekLogger::UtcTimestampProvider>()),
        nullptr);
}

std::string SshdHostKeySha256Hex() {
    return HostKeySha256Hex(std::string(VEK_SSHD_FIXTURE_DIR) + "/ssh_host_ed25519_key.pub");
}

std::string HostKeySha256Hex(const std::string& publicKeyPath) {
    std::string base64 = OpenSshFingerprint(publicKeyPath).substr(7);
    while (base64.size() % 4 != 0) {
        base64 += '=';
    }
    std::string bytes;
    VekLibrary::Crypto::Base64Codec::Decode(base64, bytes);
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0f];
    }
    return hex;
}

}  // namespace VekTest
