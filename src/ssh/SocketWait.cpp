#include "ssh/SocketWait.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "domain/Exceptions.h"
#include "networking/NetworkErrors.h"

namespace Ssh {

namespace {

using VekLibrary::Networking::XConnectError;
using VekLibrary::VekDomain::Deadline;

XConnectError Failure(const std::string& peer, const char* reason, int error) {
    return XConnectError(peer, std::string(reason) + std::strerror(error));
}

// The socket's pending error (SO_ERROR): 0 for none, else its error number; -1 when
// it cannot be read, with the reason in errno.
int PendingSocketError(int descriptor) {
    int pending = 0;
    socklen_t length = sizeof(pending);
    if (::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &pending, &length) != 0) {
        return -1;
    }
    return pending;
}

}  // namespace

bool WaitForSocket(int descriptor, short events, const Deadline& deadline,
                   const std::string& peer) {
    pollfd entry{};
    entry.fd = descriptor;
    entry.events = events;
    for (;;) {
        const int timeout = deadline.PollTimeout();
        if (timeout == 0) {
            return false;
        }
        entry.revents = 0;
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0 && (entry.revents & POLLNVAL) == 0) {
            return true;
        }
        if (ready > 0 || (ready < 0 && errno != EINTR)) {
            throw Failure(peer, "Poll error on the TCP connection: ", ready > 0 ? EBADF : errno);
        }
    }
}

short BlockedEvents(LIBSSH2_SESSION* session) {
    const int directions = libssh2_session_block_directions(session);
    short events = 0;
    if ((directions & LIBSSH2_SESSION_BLOCK_INBOUND) != 0) {
        events |= POLLIN;
    }
    if ((directions & LIBSSH2_SESSION_BLOCK_OUTBOUND) != 0) {
        events |= POLLOUT;
    }
    return events == 0 ? POLLIN : events;
}

VekLibrary::Networking::SocketHandle ConnectWithin(const addrinfo* address,
                                                   const std::string& hostAddress,
                                                   const Deadline& deadline) {
    try {
        VekLibrary::Networking::SocketHandle socket(address);
        socket.MakeNonBlocking();
        const int descriptor = socket.GetSocketDescriptor();
        if (::connect(descriptor, address->ai_addr, address->ai_addrlen) != 0) {
            if (errno != EINPROGRESS) {
                throw Failure(hostAddress, "Connection failed: ", errno);
            }
            if (!WaitForSocket(descriptor, POLLOUT, deadline, hostAddress)) {
                throw VekLibrary::XTestTimeout("Connection could not be created within " +
                                               std::to_string(deadline.GivenMilliseconds()) +
                                               " ms.");
            }
            const int pending = PendingSocketError(descriptor);
            if (pending < 0) {
                throw Failure(hostAddress, "Failed to retrieve socket error: ", errno);
            }
            if (pending != 0) {
                throw Failure(hostAddress, "Connection failed: ", pending);
            }
        }
        socket.MakeBlocking();
        // The SSH exchanges are small request/response packets; with Nagle's
        // algorithm each one can wait for the peer's delayed acknowledgement
        // (40 ms on Linux), several times per test. A failure only costs speed.
        const int noDelay = 1;
        ::setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
        return socket;
    } catch (const VekLibrary::Networking::XSocketError& error) {
        throw XConnectError(hostAddress,
                            "Connection could not be created: " + std::string(error.what()));
    }
}

}  // namespace Ssh
