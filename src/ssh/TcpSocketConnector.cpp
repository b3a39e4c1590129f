#include "ssh/TcpSocketConnector.h"

#include "ssh/SocketWait.h"

namespace Ssh {

VekLibrary::Networking::SocketHandle TcpSocketConnector::Connect(
    const addrinfo* address, const std::string& hostAddress,
    const VekLibrary::VekDomain::Deadline& deadline) {
    return ConnectWithin(address, hostAddress, deadline);
}

}  // namespace Ssh
