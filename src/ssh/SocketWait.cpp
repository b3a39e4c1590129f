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

using VekLibrary::VekDomain::Deadline;

SocketWaitEnum WaitForSocket(int descriptor, short events, const Deadline& deadline) {
    pollfd entry{};
    entry.fd = descriptor;
    entry.events = events;
    for (;;) {
        const int timeout = deadline.PollTimeout();
        if (timeout == 0) {
            return SocketWaitEnum::TimedOut;
        }
        entry.revents = 0;
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0) {
            if ((entry.revents & POLLNVAL) != 0) {
                errno = EBADF;
                return SocketWaitEnum::Failed;
            }
            return SocketWaitEnum::Ready;
        }
        if (ready < 0 && errno != EINTR) {
            return SocketWaitEnum::Failed;
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

int PendingSocketError(int descriptor) {
    int pending = 0;
    socklen_t length = sizeof(pending);
    if (::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &pending, &length) != 0) {
        return -1;
    }
    return pending;
}

VekLibrary::Networking::SocketHandle ConnectWithin(const addrinfo* address,
                                                   const std::string& hostAddress,
                                                   std::int64_t budgetMs,
                                                   const Deadline& deadline) {
    using VekLibrary::Networking::XConnectError;
    const auto failure = [&hostAddress](const char* reason, int error) {
        return XConnectError(hostAddress, std::string(reason) + std::strerror(error));
    };
    try {
        VekLibrary::Networking::SocketHandle socket(address);
        socket.MakeNonBlocking();
        const int descriptor = socket.GetSocketDescriptor();
        if (::connect(descriptor, address->ai_addr, address->ai_addrlen) != 0) {
            if (errno != EINPROGRESS) {
                throw failure("Connection failed: ", errno);
            }
            const SocketWaitEnum wait = WaitForSocket(descriptor, POLLOUT, deadline);
            if (wait == SocketWaitEnum::TimedOut) {
                throw VekLibrary::XTestTimeout("Connection could not be created within " +
                                               std::to_string(budgetMs) + " ms.");
            }
            if (wait == SocketWaitEnum::Failed) {
                throw failure("Poll error while establishing TCP connection: ", errno);
            }
            const int pending = PendingSocketError(descriptor);
            if (pending < 0) {
                throw failure("Failed to retrieve socket error: ", errno);
            }
            if (pending != 0) {
                throw failure("Connection failed: ", pending);
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
