#pragma once

#include "ssh/ISocketConnector.h"

namespace Ssh {

// Connects a TCP socket with ConnectWithin (SocketWait.h), Nagle's algorithm off.
class TcpSocketConnector final : public ISocketConnector {
public:
    VekLibrary::Networking::SocketHandle Connect(
        const addrinfo* address, const std::string& hostAddress,
        const VekLibrary::VekDomain::Deadline& deadline) override;
};

}  // namespace Ssh
