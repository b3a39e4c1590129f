#include "networking/SocketHandle.h"

#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <string>

#include "domain/Exceptions.h"
#include "networking/NetworkErrors.h"

namespace VekLibrary::Networking {

namespace {

bool IsOpenDescriptor(int descriptor) {
    return descriptor >= 0 && ::fcntl(descriptor, F_GETFL) != -1;
}

bool IsSupportedType(int type) {
    return type == SOCK_STREAM || type == SOCK_DGRAM;
}

static_assert(static_cast<int>(SocketType::Stream) == SOCK_STREAM);
static_assert(static_cast<int>(SocketType::Datagram) == SOCK_DGRAM);

}  // namespace

SocketHandle::SocketHandle(const addrinfo* addressInfo) {
    if (addressInfo == nullptr) {
        throw XBrokenInvariantsError("Cannot create socket handle, address info is null.");
    }
    // Checked before the socket exists, so that a refusal leaks no descriptor.
    if (!IsSupportedType(addressInfo->ai_socktype)) {
        throw XSocketError(*this,
                           "Cannot create socket from address info. Unsupported socket type: " +
                               std::to_string(addressInfo->ai_socktype));
    }
    const int descriptor =
        ::socket(addressInfo->ai_family, addressInfo->ai_socktype, addressInfo->ai_protocol);
    if (descriptor < 0) {
        throw XSocketError(*this, "Failed to create socket.");
    }
    descriptor_ = descriptor;
    socketType_ = static_cast<SocketType>(addressInfo->ai_socktype);
}

SocketHandle::SocketHandle(int descriptor) {
    if (!IsOpenDescriptor(descriptor)) {
        throw XBrokenInvariantsError("Cannot create socket handle, invalid file descriptor: " +
                                     std::to_string(descriptor));
    }
    // Set so that the errors below name the descriptor. A throwing constructor runs
    // no destructor, so the descriptor is not closed and stays the caller's.
    descriptor_ = descriptor;
    int type = 0;
    socklen_t length = sizeof(type);
    if (::getsockopt(descriptor, SOL_SOCKET, SO_TYPE, &type, &length) != 0) {
        throw XSocketError(*this, "Failed to get socket type from descriptor.");
    }
    if (!IsSupportedType(type)) {
        throw XSocketError(*this,
                           "Cannot create socket from file descriptor. Unsupported socket type: " +
                               std::to_string(type));
    }
    socketType_ = static_cast<SocketType>(type);
}

SocketHandle::SocketHandle(const UnixDomainSocketPolicy& policy) {
    if (policy.socketType == SocketType::Unknown) {
        throw XBrokenInvariantsError(
            "Cannot create Unix domain socket handle, socket type is unhandled.");
    }
    const int descriptor = ::socket(AF_UNIX, static_cast<int>(policy.socketType), 0);
    if (descriptor < 0) {
        throw XSocketError(*this, "Failed to create Unix domain socket.");
    }
    descriptor_ = descriptor;
    socketType_ = policy.socketType;
}

SocketHandle::~SocketHandle() {
    Close();
}

SocketHandle::SocketHandle(SocketHandle&& other) noexcept
    : descriptor_(other.descriptor_), socketType_(other.socketType_) {
    other.descriptor_ = -1;
    other.socketType_ = SocketType::Unknown;
}

SocketHandle& SocketHandle::operator=(SocketHandle&& other) noexcept {
    if (this != &other) {
        Close();
        descriptor_ = other.descriptor_;
        socketType_ = other.socketType_;
        other.descriptor_ = -1;
        other.socketType_ = SocketType::Unknown;
    }
    return *this;
}

void SocketHandle::Close() noexcept {
    if (IsOpenDescriptor(descriptor_)) {
        if (socketType_ == SocketType::Stream) {
            ::shutdown(descriptor_, SHUT_RDWR);
        }
        ::close(descriptor_);
    }
    descriptor_ = -1;
    socketType_ = SocketType::Unknown;
}

bool SocketHandle::IsValid() const noexcept {
    return IsOpenDescriptor(descriptor_);
}

SocketType SocketHandle::GetSocketType() const {
    if (!IsValid()) {
        throw XInvalidOperationError("Cannot get socket type, invalid file descriptor.");
    }
    return socketType_;
}

void SocketHandle::MakeNonBlocking() {
    if (!IsValid()) {
        throw XInvalidOperationError(
            "Cannot set socket to non-blocking mode, invalid file descriptor.");
    }
    const int flags = ::fcntl(descriptor_, F_GETFL);
    if (flags == -1) {
        throw XSocketError(*this, "Failed to get socket flags.");
    }
    if (::fcntl(descriptor_, F_SETFL, flags | O_NONBLOCK) == -1) {
        throw XSocketError(*this, "Failed to set socket to non-blocking mode.");
    }
}

void SocketHandle::MakeBlocking() {
    if (!IsValid()) {
        throw XInvalidOperationError(
            "Cannot set socket to blocking mode, invalid file descriptor.");
    }
    const int flags = ::fcntl(descriptor_, F_GETFL);
    if (flags == -1) {
        throw XSocketError(*this, "Cannot make the socket blocking. Failed to get socket flags: ");
    }
    if (::fcntl(descriptor_, F_SETFL, flags & ~O_NONBLOCK) == -1) {
        throw XSocketError(*this, "Failed to set socket to blocking mode.");
    }
}

void SocketHandle::ShutdownWrite() {
    if (!IsValid()) {
        throw XInvalidOperationError("Cannot shutdown write on socket, invalid file descriptor.");
    }
    if (socketType_ != SocketType::Stream) {
        throw XInvalidOperationError("Shutdown write is only valid for stream (TCP) sockets.");
    }
    if (::shutdown(descriptor_, SHUT_WR) != 0) {
        throw XSocketError(*this, "Failed to shutdown write on socket.");
    }
}

namespace {

// Applies SO_RCVTIMEO or SO_SNDTIMEO; `direction` is "receive" or "send".
void SetTimeout(const SocketHandle& socket, int option, const char* direction,
                const VekDomain::Milliseconds& timeout) {
    if (!socket.IsValid()) {
        throw XInvalidOperationError(std::string("Cannot set socket ") + direction +
                                     " timeout, invalid file descriptor.");
    }
    if (!timeout || timeout.GetValue() == 0) {
        throw XInvalidOperationError("Socket timeout must be positive.");
    }
    const std::int64_t milliseconds = timeout.GetValue();
    timeval value{};
    value.tv_sec = static_cast<time_t>(milliseconds / 1000);
    value.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
    if (::setsockopt(socket.GetSocketDescriptor(), SOL_SOCKET, option, &value, sizeof(value)) !=
        0) {
        throw XSocketError(socket, std::string("Failed to set socket ") + direction + " timeout.");
    }
}

}  // namespace

void SocketHandle::SetReceiveTimeout(const VekDomain::Milliseconds& timeout) {
    SetTimeout(*this, SO_RCVTIMEO, "receive", timeout);
}

void SocketHandle::SetSendTimeout(const VekDomain::Milliseconds& timeout) {
    SetTimeout(*this, SO_SNDTIMEO, "send", timeout);
}

}  // namespace VekLibrary::Networking
