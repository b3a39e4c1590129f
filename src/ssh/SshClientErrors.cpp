#include "ssh/SshClientErrors.h"

#include <libssh2.h>

namespace Ssh {

XLibssh2Error::XLibssh2Error(const std::string& message, std::int64_t code)
    : XSshClientError(message + " Error : " + DescribeCode(code) + " (" + std::to_string(code) +
                      ")."),
      code_(code) {}

std::string XLibssh2Error::DescribeCode(std::int64_t code) {
    switch (code) {
        case LIBSSH2_ERROR_SOCKET_NONE:
            return "Socket is invalid";
        case LIBSSH2_ERROR_BANNER_RECV:
            return "Unable to receive banner from remote host";
        case LIBSSH2_ERROR_BANNER_SEND:
            return "Unable to send banner to remote host";
        case LIBSSH2_ERROR_KEX_FAILURE:
        case LIBSSH2_ERROR_KEY_EXCHANGE_FAILURE:
            return "Encryption key exchange with remote host failed";
        case LIBSSH2_ERROR_ALLOC:
            return "Unable to allocate memory";
        case LIBSSH2_ERROR_SOCKET_SEND:
            return "Unable to send data on socket";
        case LIBSSH2_ERROR_TIMEOUT:
            return "Request timed out";
        case LIBSSH2_ERROR_SOCKET_DISCONNECT:
            return "Socket was disconnected";
        case LIBSSH2_ERROR_PROTO:
            return "Invalid ssh protocol response was received";
        case LIBSSH2_ERROR_PASSWORD_EXPIRED:
            return "Password expired";
        case LIBSSH2_ERROR_AUTHENTICATION_FAILED:
            return "Authentication failed";
        case LIBSSH2_ERROR_CHANNEL_REQUEST_DENIED:
            return "Channel request denied";
        case LIBSSH2_ERROR_CHANNEL_CLOSED:
            return "Channel has been closed";
        case LIBSSH2_ERROR_CHANNEL_EOF_SENT:
            return "Channel has been requested to be closed";
        case LIBSSH2_ERROR_BAD_USE:
            return "Bad usage";
        default:
            return "";
    }
}

}  // namespace Ssh
