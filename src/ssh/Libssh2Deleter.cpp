#include "ssh/Libssh2Deleter.h"

#include <sys/socket.h>

#include "ssh/LibraryDeadline.h"

namespace Ssh {

void Libssh2Deleter<LIBSSH2_SESSION>::operator()(LIBSSH2_SESSION* session) const noexcept {
    if (session == nullptr) {
        return;
    }
    libssh2_session_disconnect_ex(session, SSH_DISCONNECT_BY_APPLICATION, "Monitor test complete.",
                                  "");
    if (socketDescriptor >= 0) {
        // The disconnect message is already queued in the kernel and still goes out.
        ::shutdown(socketDescriptor, SHUT_RDWR);
    }
    libssh2_session_free(session);
}

void Libssh2Deleter<LIBSSH2_CHANNEL>::operator()(LIBSSH2_CHANNEL* channel) const noexcept {
    if (channel == nullptr) {
        return;
    }
    // Reads nothing: during a key re-exchange the close would first have to
    // finish it, reading for as long as a flooding server keeps sending.
    const LibraryDeadline nothingMoreToRead(LibraryDeadline::Deadline::After(0));
    libssh2_channel_close(channel);
    libssh2_channel_free(channel);
}

}  // namespace Ssh
