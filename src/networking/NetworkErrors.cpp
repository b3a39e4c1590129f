#include "networking/NetworkErrors.h"

#include <cerrno>
#include <cstring>

#include "networking/SocketHandle.h"

namespace VekLibrary::Networking {

namespace {

// The one place where the networking layer turns errno into text.
std::string ComposeSocketErrorText(const SocketHandle& socket, const std::string& reason) {
    const int error = errno;  // before anything below can change it
    return "Socket error(socket: " + std::to_string(socket.GetSocketDescriptor()) +
           "). Reason: " + reason + "[errno: " + std::to_string(error) + " - " +
           std::strerror(error) + "].";
}

}  // namespace

XSocketError::XSocketError(const SocketHandle& socket, const std::string& reason)
    : XNetworkError(ComposeSocketErrorText(socket, reason),
                    std::error_code(0, std::system_category())) {}

}  // namespace VekLibrary::Networking
