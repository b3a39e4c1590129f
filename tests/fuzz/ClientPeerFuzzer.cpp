// client_peer_fuzzer: the input is everything an SSH server sends. A loopback peer
// accepts the client's connection, writes the input, ends its side and reads
// until the client hangs up; the client runs a whole test against it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <thread>

#include "domain/Exceptions.h"
#include "fuzz/FuzzFault.h"
#include "iohandler/IStreamOutputHandler.h"
#include "logger/LogLevelEnum.h"
#include "logger/Logger.h"
#include "logger/UtcTimestampProvider.h"
#include "networking/NetworkingLibraryFactoryProvider.h"
#include "result/SshTestResultFactory.h"
#include "ssh/SshClientErrors.h"
#include "ssh/SshClientFactory.h"

namespace {

// Far above a failing run's few milliseconds, so only a client that really hangs
// runs into it; libFuzzer's -timeout reports such a hang.
constexpr std::int64_t kBudgetMs = 200;
constexpr int kPeerWaitMs = 2000;
const std::string kUser = "fuzzuser";
const std::string kPassword = "fuzzpassword";

// Log lines are formatted and masked as in the probe, then dropped.
class DiscardingSink final : public VekLibrary::IoHandler::IStreamOutputHandler {
public:
    void WriteOutput(const std::string&) override {}
};

struct Peer {
    int listener = -1;
    unsigned short port = 0;
};

// One listener per process: a fresh port per input would exhaust the ephemeral range.
const Peer& ThePeer() {
    static const Peer peer = [] {
        Peer made;
        made.listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (made.listener < 0 ||
            ::bind(made.listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(made.listener, 4) != 0 ||
            ::getsockname(made.listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            VekFuzz::Fault("cannot listen on 127.0.0.1");
        }
        made.port = ntohs(address.sin_port);
        return made;
    }();
    return peer;
}

bool WaitReadable(int descriptor) {
    pollfd entry{descriptor, POLLIN, 0};
    return ::poll(&entry, 1, kPeerWaitMs) > 0;
}

// Sends `bytes` to the next client and reads whatever it says until it closes,
// so the client sees all of the input followed by an orderly end of stream
// rather than a reset.
void Serve(int listener, const std::string& bytes) {
    if (!WaitReadable(listener)) {
        return;
    }
    const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) {
        return;
    }
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t rc =
            ::send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (rc <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(rc);
    }
    ::shutdown(connection, SHUT_WR);
    char sink[4096];
    while (WaitReadable(connection) && ::recv(connection, sink, sizeof(sink), 0) > 0) {
    }
    ::close(connection);
}

std::unique_ptr<Ssh::ISshClient> MakeClient() {
    static const auto factory = [] {
        auto logger = std::make_shared<VekLibrary::VekLogger::Logger>(
            std::make_shared<DiscardingSink>(),
            std::make_shared<VekLibrary::VekLogger::UtcTimestampProvider>());
        // Debug level and tracing on, so libssh2's trace of the server's bytes
        // goes through the logger's masking as well.
        logger->SetLogLevelCutoff(VekLibrary::VekLogger::LogLevelEnum::Debug);
        logger->SetSanitizationHints({kUser, kPassword});
        VekLibrary::Networking::NetworkingLibraryFactoryProvider networking;
        return std::make_shared<Ssh::SshClientFactory>(
            networking.GetDnsResolutionStrategyFactory(),
            networking.GetLinuxNetworkingWrapperFactory(),
            std::make_shared<Ssh::SshTestResultFactory>(), logger);
    }();
    std::unique_ptr<Ssh::ISshClient> client;
    factory->Create(client);
    client->SetLoggingHints(true, true);
    return client;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Peer& peer = ThePeer();
    std::thread server(Serve, peer.listener,
                       std::string(reinterpret_cast<const char*>(data), size));
    {
        std::unique_ptr<Ssh::ISshClient> client = MakeClient();
        try {
            std::int64_t left = client->Connect(
                "127.0.0.1", peer.port, VekLibrary::Networking::AddressFamilyEnum::Ipv4, kBudgetMs);
            if (left > 0) {
                left = client->AuthenticateUser(kUser, kPassword, left);
            }
            if (left > 0) {
                client->ExecuteCommands("echo fuzz\n", 4096, left);
            }
        } catch (const Ssh::XSshClientError&) {
        } catch (const VekLibrary::XBrokenInvariantsError&) {
        } catch (const std::exception& error) {
            VekFuzz::Fault("the client threw an undocumented exception", error);
        }
        if (!client->GetResults()) {
            VekFuzz::Fault("the client handed over no result");
        }
    }
    // The client has closed its end by now, which ends the peer's reading.
    server.join();
    return 0;
}
