#include "ssh/Libssh2Deleter.h"

#include <sys/socket.h>

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
    libssh2_channel_close(channel);
    libssh2_channel_free(channel);
}

}  // namespace Ssh
