#pragma once

#include <netdb.h>

#include <string>

#include "domain/Deadline.h"
#include "networking/SocketHandle.h"

namespace Ssh {

// Opens the stream connection the SSH client runs its test over, to the address
// the client resolved, within the connect stage's deadline. The caller owns the
// socket it gets back. The probe connects TCP (TcpSocketConnector); a harness may
// hand the client any connected stream socket instead, such as one end of a
// socketpair whose other end plays the server.
class ISocketConnector {
public:
    virtual ~ISocketConnector() = default;

    // A connected, blocking stream socket. Failures name `hostAddress`: an
    // XConnectError when no connection can be made, XTestTimeout when the deadline
    // passes first.
    virtual VekLibrary::Networking::SocketHandle Connect(
        const addrinfo* address, const std::string& hostAddress,
        const VekLibrary::VekDomain::Deadline& deadline) = 0;
};

}  // namespace Ssh
