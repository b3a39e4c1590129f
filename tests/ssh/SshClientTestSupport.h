#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
};

struct ClientRun {
    std::unique_ptr<Ssh::SshTestResult> result;
    // what() of the exception that ended the test; empty when none did.
    std::string raised;
    // Wall time of all stages on the monotonic clock.
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

// The SHA-256 host key fingerprint of the private sshd, as lower-case hex, read
// with ssh-keygen from the fixture's public key.
std::string SshdHostKeySha256Hex();
// The same for any public key file.
std::string HostKeySha256Hex(const std::string& publicKeyPath);

}  // namespace VekTest
