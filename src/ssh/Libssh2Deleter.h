#pragma once

#include <libssh2.h>

namespace Ssh {

// Releases the SSH library's handles held in unique pointers. Neither waits on the
// peer: the client keeps its sessions non-blocking, so a close the peer never
// answers cannot hold the process.
template <typename T>
struct Libssh2Deleter;

// Sends the disconnect message (reason 11, "Monitor test complete.") and frees the
// session. The session's socket is shut down in between, so that freeing channels
// whose close the peer never confirmed ends at once instead of waiting for it; the
// socket itself stays with its owner.
template <>
struct Libssh2Deleter<LIBSSH2_SESSION> {
    int socketDescriptor = -1;

    void operator()(LIBSSH2_SESSION* session) const noexcept;
};

// Closes and frees a channel. A close that would have to wait for the peer leaves
// the channel to the session, which frees it with itself.
template <>
struct Libssh2Deleter<LIBSSH2_CHANNEL> {
    void operator()(LIBSSH2_CHANNEL* channel) const noexcept;
};

}  // namespace Ssh
