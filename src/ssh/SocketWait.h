#pragma once

#include <libssh2.h>
#include <netdb.h>

#include <string>

#include "domain/Deadline.h"
#include "networking/SocketHandle.h"
#include "ssh/LibraryDeadline.h"

namespace Ssh {

// Every wait of the SSH client on its socket, in every stage, follows one policy:
// the wait ends when the socket is ready or the deadline has passed (a deadline that
// has passed is not waited on at all); a signal (EINTR) restarts it against the same
// deadline; and any other failure of the wait, a descriptor that is not open
// included, is a fault of the connection. A fault is raised as XConnectError, whose
// text reads "Connection to <peer> failed. Reason: Poll error on the TCP connection:
// <strerror>", whichever stage it happens in; it is never reported as a time-out.

// A session on its connected socket, as the stages drive it. `peer` is the address
// the socket is connected to, which a failed wait names.
struct SessionSocket {
    LIBSSH2_SESSION* session = nullptr;
    int descriptor = -1;
    std::string peer;
};

// Waits until `descriptor` is ready for `events` (poll's POLLIN/POLLOUT): true, or
// false once the deadline has passed. A failed wait raises as described above.
bool WaitForSocket(int descriptor, short events, const VekLibrary::VekDomain::Deadline& deadline,
                   const std::string& peer);

// The directions the library last blocked on, as poll events; readability when it
// names none.
short BlockedEvents(LIBSSH2_SESSION* session);

// Opens a stream socket for `address` (an XBrokenInvariantsError for null) and
// connects it by `deadline`; the socket comes back blocking with Nagle's algorithm
// off. Failures name `hostAddress`: XConnectError for a refused or failed
// connection, a failed wait or a socket that cannot be set up, and
// XTestTimeout("Connection could not be created within <n> ms.") when the deadline
// passes first, <n> being the milliseconds the deadline was given.
VekLibrary::Networking::SocketHandle ConnectWithin(const addrinfo* address,
                                                   const std::string& hostAddress,
                                                   const VekLibrary::VekDomain::Deadline& deadline);

// Repeats the non-blocking library call `call` while it returns
// LIBSSH2_ERROR_EAGAIN, waiting in between for the directions the library blocked
// on. Returns the call's first other result, or LIBSSH2_ERROR_TIMEOUT once the
// deadline has passed, as the library's own blocking wait reports it; a failed wait
// raises as WaitForSocket does. The library itself is held to the deadline
// meanwhile, so a server that never stops sending cannot keep one call going past
// it. `call` may raise; the library is let go of the deadline all the same.
template <typename Call>
int CallUntilDone(const SessionSocket& socket, const VekLibrary::VekDomain::Deadline& deadline,
                  Call&& call) {
    const LibraryDeadline libraryDeadline(socket.session, deadline);
    for (;;) {
        const int rc = static_cast<int>(call());
        if (rc != LIBSSH2_ERROR_EAGAIN) {
            return rc;
        }
        if (!WaitForSocket(socket.descriptor, BlockedEvents(socket.session), deadline,
                           socket.peer)) {
            return LIBSSH2_ERROR_TIMEOUT;
        }
    }
}

}  // namespace Ssh
