#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "domain/IMonotonicClock.h"
#include "fixtures/LoopbackServer.h"
#include "fixtures/RecordingStreamOutputHandler.h"
#include "logger/ILogger.h"
#include "networking/AddressFamilyEnum.h"
#include "networking/IDnsResolutionStrategy.h"
#include "result/SshTestResult.h"
#include "ssh/HostKeyFingerprint.h"
#include "ssh/ISshClient.h"

namespace VekTest {

// One test as the session runs it: each stage gets what the previous one left,
// and the first failure ends the test.
struct ClientRequest {
    std::string host = "127.0.0.1";
    unsigned short port = 0;
    VekLibrary::Networking::AddressFamilyEnum family =
        VekLibrary::Networking::AddressFamilyEnum::Ipv4;
    std::string user;
    std::string password;
    std::string commands = "echo hello\n";
    unsigned long maximumBytes = 1024 * 1024;
    std::int64_t budget = 10000;
    // Handed to SetExpectedHostKeys when not empty.
    std::vector<Ssh::HostKeyFingerprint> expectedHostKeys;
    // Handed to SetKnownHosts when set.
    std::optional<std::string> knownHosts;
    // Times the client when set (the system's monotonic clock otherwise).
    std::shared_ptr<const VekLibrary::VekDomain::IMonotonicClock> clock;
    // Sees every log line as the client writes it, on the client's thread.
    std::function<void(const std::string& line)> onLogLine;
};

struct ClientRun {
    std::unique_ptr<Ssh::SshTestResult> result;
    // what() of the exception that ended the test; empty when none did.
    std::string raised;
    // Wall time of all stages on the monotonic clock, less the time the client's
    // thread waited for a CPU meanwhile: on a loaded machine that wait is the
    // load's, not the client's, and a bound on this time holds however loaded the
    // machine is. A client that spins still counts all its time on the CPU.
    std::chrono::milliseconds elapsed{0};
    std::string log;
};

// Runs the request through an SshClient made by SshClientFactory over the real
// networking library and a logger writing into a recording sink (Debug level, so
// trace lines are kept). With `dnsStrategy` set, the client resolves through it.
ClientRun RunClient(
    const ClientRequest& request,
    std::shared_ptr<VekLibrary::Networking::IDnsResolutionStrategy> dnsStrategy = nullptr);

// A client made by SshClientFactory over the real networking library, logging
// into `sink`.
std::unique_ptr<Ssh::ISshClient> MakeClient(std::shared_ptr<RecordingStreamOutputHandler> sink);

// The moments, on the steady clock, at which a PacedBannerRelay saw the client's
// identification line complete, let the server's line through, and saw the
// client's next bytes (its key exchange init, which it sends only once it has
// taken the server's line). Read them after the relay's server is destroyed.
struct BannerPacing {
    std::chrono::steady_clock::time_point clientLine;
    std::chrono::steady_clock::time_point released;
    std::chrono::steady_clock::time_point clientNext;
};

// Relays to the server at 127.0.0.1:`port` (a real sshd), but connects to it only
// `hold` after the client's identification line has arrived, so that the server's
// line reaches the client at least `hold` after the client's connect ended,
// whatever the machine's load. Notes its moments in `pacing`.
LoopbackServer::Handler PacedBannerRelay(unsigned short port, std::chrono::milliseconds hold,
                                         std::shared_ptr<BannerPacing> pacing);

// The SHA-256 host key fingerprint of the private sshd, as lower-case hex, read
// with ssh-keygen from the fixture's public key.
std::string SshdHostKeySha256Hex();
// The same for any public key file.
std::string HostKeySha256Hex(const std::string& publicKeyPath);

}  // namespace VekTest
