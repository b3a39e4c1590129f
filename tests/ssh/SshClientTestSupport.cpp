#include "ssh/SshClientTestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

#include "crypto/Base64Codec.h"
#include "domain/SteadyClock.h"
#include "fixtures/OpenSshFingerprint.h"
#include "logger/LogLevelEnum.h"
#include "logger/Logger.h"
#include "logger/UtcTimestampProvider.h"
#include "networking/Ipv6ToIpv4FallbackDnsResolutionStrategy.h"
#include "networking/LinuxNetworkingWrapper.h"
#include "networking/NetworkingLibraryFactoryProvider.h"
#include "result/SshTestResultFactory.h"
#include "ssh/SshClient.h"
#include "ssh/SshClientFactory.h"

namespace VekTest {

namespace {

std::unique_ptr<Ssh::ISshClient> MakeLoggingClient(
    const std::shared_ptr<VekLibrary::VekLogger::ILogger>& logger,
    std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategy> dnsStrategy,
    std::shared_ptr<const VekLibrary::VekDomain::IMonotonicClock> clock = nullptr) {
    auto resultFactory = std::make_shared<Ssh::SshTestResultFactory>();
    if (dnsStrategy || clock) {
        auto wrapper = std::make_shared<VekLibrary::Networking::LinuxNetworkingWrapper>();
        if (!dnsStrategy) {
            dnsStrategy =
                std::make_shared<VekLibrary::Networking::Ipv6ToIpv4FallbackDnsResolutionStrategy>(
                    wrapper);
        }
        return std::make_unique<Ssh::SshClient>(
            std::move(dnsStrategy), wrapper, resultFactory, logger,
            clock ? std::move(clock) : std::make_shared<VekLibrary::VekDomain::SteadyClock>());
    }
    VekLibrary::Networking::NetworkingLibraryFactoryProvider networking;
    Ssh::SshClientFactory factory(networking.GetDnsResolutionStrategyFactory(),
                                  networking.GetLinuxNetworkingWrapperFactory(), resultFactory,
                                  logger);
    std::unique_ptr<Ssh::ISshClient> client;
    factory.Create(client);
    return client;
}

// How long this thread has been runnable but waiting for a CPU; zero where the
// kernel does not tell.
std::chrono::nanoseconds RunQueueWait() {
    std::FILE* file = std::fopen("/proc/thread-self/schedstat", "r");
    unsigned long long onCpu = 0;
    unsigned long long waiting = 0;
    const bool read = file != nullptr && std::fscanf(file, "%llu %llu", &onCpu, &waiting) == 2;
    if (file != nullptr) {
        std::fclose(file);
    }
    return std::chrono::nanoseconds(read ? waiting : 0);
}

}  // namespace

ClientRun RunClient(const ClientRequest& request,
                    std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategy> dnsStrategy) {
    auto sink = std::make_shared<RecordingStreamOutputHandler>();
    sink->onWrite = request.onLogLine;
    auto logger = std::make_shared<VekLibrary::VekLogger::Logger>(
        sink, std::make_shared<VekLibrary::VekLogger::UtcTimestampProvider>());
    logger->SetLogLevelCutoff(VekLibrary::VekLogger::LogLevelEnum::Debug);
    logger->SetSanitizationHints({request.user, request.password});
    ClientRun run;
    {
        std::unique_ptr<Ssh::ISshClient> client =
            MakeLoggingClient(logger, std::move(dnsStrategy), request.clock);
        client->SetLoggingHints(true, true);
        if (!request.expectedHostKeys.empty()) {
            client->SetExpectedHostKeys(request.expectedHostKeys);
        }
        if (request.knownHosts) {
            client->SetKnownHosts(*request.knownHosts);
        }
        const auto start = std::chrono::steady_clock::now();
        const auto waitedBefore = RunQueueWait();
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
            std::chrono::steady_clock::now() - start - (RunQueueWait() - waitedBefore));
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

LoopbackServer::Handler PacedBannerRelay(unsigned short port, std::chrono::milliseconds hold,
                                         std::shared_ptr<BannerPacing> pacing) {
    return [port, hold, pacing](int client) {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        char buffer[16384];
        // Peeked, not read: the line goes on to the server with the rest.
        std::size_t lineLength = 0;
        while (lineLength == 0) {
            const ssize_t peeked = ::recv(client, buffer, sizeof(buffer), MSG_PEEK | MSG_DONTWAIT);
            if (peeked == 0 || (peeked < 0 && errno != EAGAIN) || Clock::now() >= deadline) {
                return;
            }
            const void* end = peeked > 0 ? std::memchr(buffer, '\n', peeked) : nullptr;
            if (end == nullptr) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            lineLength = static_cast<const char*>(end) - buffer + 1;
        }
        pacing->clientLine = Clock::now();
        std::this_thread::sleep_until(pacing->clientLine + hold);
        pacing->released = Clock::now();

        const int upstream = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(upstream, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            ::close(upstream);
            return;
        }
        std::size_t fromClient = 0;
        pollfd entries[2] = {{client, POLLIN, 0}, {upstream, POLLIN, 0}};
        bool open = true;
        while (open && Clock::now() < deadline) {
            if (::poll(entries, 2, 100) < 0 && errno != EINTR) {
                break;
            }
            for (int side = 0; side < 2 && open; ++side) {
                if ((entries[side].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                    continue;
                }
                const ssize_t count = ::recv(entries[side].fd, buffer, sizeof(buffer), 0);
                if (side == 0 && count > 0) {
                    if (fromClient + static_cast<std::size_t>(count) > lineLength &&
                        pacing->clientNext == Clock::time_point{}) {
                        pacing->clientNext = Clock::now();
                    }
                    fromClient += static_cast<std::size_t>(count);
                }
                open = count > 0 && WriteAll(entries[1 - side].fd,
                                             std::string(buffer, static_cast<std::size_t>(count)));
            }
        }
        ::close(upstream);
    };
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
