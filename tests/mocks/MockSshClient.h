#pragma once

#include <gmock/gmock.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ssh/ISshClient.h"

namespace Ssh {

class MockSshClient : public ISshClient {
public:
    MOCK_METHOD(std::int64_t, Connect,
                (const std::string& host, unsigned short port,
                 VekLibrary::Networking::AddressFamilyEnum family, std::int64_t timeout),
                (override));
    MOCK_METHOD(std::int64_t, AuthenticateUser,
                (const std::string& userName, const std::string& password, std::int64_t timeout),
                (override));
    MOCK_METHOD(std::int64_t, ExecuteCommands,
                (const std::string& commands, unsigned long maximumBytes, std::int64_t timeout),
                (override));
    MOCK_METHOD(std::unique_ptr<SshTestResult>, GetResults, (), (override));
    MOCK_METHOD(void, SetLoggingHints, (bool debug, bool traceLibssh2), (override));
    MOCK_METHOD(void, SetExpectedHostKeys, (const std::vector<HostKeyFingerprint>& fingerprints),
                (override));
    MOCK_METHOD(void, SetKnownHosts, (const std::string& knownHosts), (override));
    MOCK_METHOD(void, SetPrivateKey, (const std::string& privateKey), (override));
};

}  // namespace Ssh
