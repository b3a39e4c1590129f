#pragma once

#include <libssh2.h>
#include <netdb.h>

#include <cstdint>
#include <string>

#include "domain/Deadline.h"
#include "networking/SocketHandle.h"
#include "ssh/LibraryDeadline.h"

namespace Ssh {

// Every wait of the SSH client on its socket, against a deadline on the monotonic
// clock. One policy for a failed poll holds for all of them: a signal (EINTR)
// restarts the wait against the same deadline, any other failure ends it as
// Failed, and every caller reports Failed as a failure of its step (a library
// call as LIBSSH2_ERROR_TIMEOUT, as the library's own wait does).

enum class SocketWaitEnum { Ready, TimedOut, Failed };

// Waits until `descriptor` is ready for `events` (poll's POLLIN/POLLOUT) or the
// deadline passes. A deadline that has passed gives TimedOut without looking at the
// socket. Failed leaves the reason in errno; a descriptor that is not open fails
// with EBADF.
SocketWaitEnum WaitForSocket(int descriptor, short events,
                             const VekLibrary::VekDomain::Deadline& deadline);

// The directions the library last blocked on, as poll events; readability when it
// names none.
short BlockedEvents(LIBSSH2_SESSION* session);

// The socket's pending error (SO_ERROR): 0 for none, else its error number; -1 when
// it cannot be read, with the reason in errno.
int PendingSocketError(int descriptor);

// Opens a stream socket for `address` (an XBrokenInvariantsError for null) and
// connects it by `deadline`; the socket comes back blocking with Nagle's algorithm
// off. Failures name `hostAddress`:
// XConnectError for a refused or failed connection, a failed wait or a socket that
// cannot be set up, and XTestTimeout("Connection could not be created within
// <budgetMs> ms.") when the deadline passes first.
VekLibrary::Networking::SocketHandle ConnectWithin(const addrinfo* address,
                                                   const std::string& hostAddress,
                                                   std::int64_t budgetMs,
                                                   const VekLibrary::VekDomain::Deadline& deadline);

// Repeats the non-blocking library call `call` while it returns
// LIBSSH2_ERROR_EAGAIN, waiting in between for the directions the library blocked
// on. Returns the call's first other result, or LIBSSH2_ERROR_TIMEOUT when the
// deadline passes or the wait fails first, as the library's own blocking wait
// reports both. The library itself is held to the deadline meanwhile, so a server
// that never stops sending cannot keep one call going past it.
template <typename Call>
int CallUntilDone(LIBSSH2_SESSION* session, int descriptor,
                  const VekLibrary::VekDomain::Deadline& deadline, Call&& call) {
    const LibraryDeadline libraryDeadline(deadline);
    for (;;) {
        const int rc = static_cast<int>(call());
        if (rc != LIBSSH2_ERROR_EAGAIN) {
            return rc;
        }
        if (WaitForSocket(descriptor, BlockedEvents(session), deadline) != SocketWaitEnum::Ready) {
            return LIBSSH2_ERROR_TIMEOUT;
        }
    }
}

}  // namespace Ssh
