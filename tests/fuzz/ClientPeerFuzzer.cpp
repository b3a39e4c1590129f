// client_peer_fuzzer: the input is everything an SSH server sends. The client runs
// a whole test over one end of a socketpair; the input waits in the other end,
// followed by the end of the stream, before the client starts. No thread, no
// listener and no wait: the client either finds the bytes it needs or the end. The
// random generator restarts from one seed per input (FixedCrypto.h), so an input
// replays the same way every time.
#include <openssl/err.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "domain/Exceptions.h"
#include "fuzz/FixedCrypto.h"
#include "fuzz/FuzzFault.h"
#include "iohandler/IStreamOutputHandler.h"
#include "logger/LogLevelEnum.h"
#include "logger/Logger.h"
#include "logger/UtcTimestampProvider.h"
#include "networking/NetworkingLibraryFactoryProvider.h"
#include "result/SshTestResultFactory.h"
#include "ssh/ISocketConnector.h"
#include "ssh/SshClient.h"
#include "ssh/SshClientErrors.h"

namespace {

// Nothing is waited for, so only a client that really hangs runs into the budget;
// libFuzzer's -timeout reports such a hang.
constexpr std::int64_t kBudgetMs = 200;
const std::string kUser = "fuzzuser";
const std::string kPassword = "fuzzpassword";

// Log lines are formatted and masked as in the probe, then dropped.
class DiscardingSink final : public VekLibrary::IoHandler::IStreamOutputHandler {
public:
    void WriteOutput(const std::string&) override {}
};

// The client's end of a socketpair whose other end already holds the input and
// has ended its writing. The client's own writes stay unread in that end's buffer.
class SocketPairConnector final : public Ssh::ISocketConnector {
public:
    explicit SocketPairConnector(const std::string& bytes) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends_) != 0) {
            VekFuzz::Fault("cannot make a socketpair");
        }
        // An input longer than the socket's buffer (about 200 KiB, far above
        // libFuzzer's lengths) is cut where the buffer ends, the same way each time.
        static_cast<void>(
            ::send(ends_[1], bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL));
        ::shutdown(ends_[1], SHUT_WR);
    }
    ~SocketPairConnector() override {
        ::close(ends_[1]);
        if (ends_[0] >= 0) {
            ::close(ends_[0]);
        }
    }
    SocketPairConnector(const SocketPairConnector&) = delete;
    SocketPairConnector& operator=(const SocketPairConnector&) = delete;

    VekLibrary::Networking::SocketHandle Connect(const addrinfo*, const std::string&,
                                                 const VekLibrary::VekDomain::Deadline&) override {
        VekLibrary::Networking::SocketHandle handle(ends_[0]);
        ends_[0] = -1;
        return handle;
    }

private:
    int ends_[2] = {-1, -1};
};

std::unique_ptr<Ssh::ISshClient> MakeClient(std::shared_ptr<Ssh::ISocketConnector> connector) {
    static const auto logger = [] {
        VekFuzz::InstallFixedRandom();
        auto made = std::make_shared<VekLibrary::VekLogger::Logger>(
            std::make_shared<DiscardingSink>(),
            std::make_shared<VekLibrary::VekLogger::UtcTimestampProvider>());
        // Debug level and tracing on, so libssh2's trace of the server's bytes
        // goes through the logger's masking as well.
        made->SetLogLevelCutoff(VekLibrary::VekLogger::LogLevelEnum::Debug);
        made->SetSanitizationHints({kUser, kPassword});
        return made;
    }();
    static VekLibrary::Networking::NetworkingLibraryFactoryProvider networking;
    std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategy> dns;
    networking.GetDnsResolutionStrategyFactory()->Create(dns);
    std::shared_ptr<VekLibrary::Networking::ILinuxNetworkingWrapper> wrapper;
    networking.GetLinuxNetworkingWrapperFactory()->Create(wrapper);
    auto client = std::make_unique<Ssh::SshClient>(
        dns, wrapper, std::make_shared<Ssh::SshTestResultFactory>(), logger,
        std::make_shared<VekLibrary::VekDomain::SteadyClock>(), std::move(connector));
    client->SetLoggingHints(true, true);
    return client;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    VekFuzz::RestartFixedRandom();
    std::unique_ptr<Ssh::ISshClient> client = MakeClient(std::make_shared<SocketPairConnector>(
        std::string(reinterpret_cast<const char*>(data), size)));
    try {
        std::int64_t left = client->Connect(
            "127.0.0.1", 22, VekLibrary::Networking::AddressFamilyEnum::Ipv4, kBudgetMs);
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
    client.reset();
    // OpenSSL keeps a failed exchange's error records, with copies of their
    // source names, in the thread's queue until later errors push them out.
    // Cleared here, each input frees what it allocated, so libFuzzer, which
    // looks for leaks after any input that did not, seldom has to look.
    ERR_clear_error();
    return 0;
}
