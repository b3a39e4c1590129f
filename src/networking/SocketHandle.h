#pragma once

#include "domain/Milliseconds.h"
#include "networking/SocketType.h"
#include "networking/UnixDomainSocketPolicy.h"

struct addrinfo;

namespace VekLibrary::Networking {

// Move-only owner of one socket descriptor. A descriptor counts as valid while it
// is not negative and fcntl(F_GETFL) succeeds on it, so a handle whose descriptor
// the process closed elsewhere neither reports itself valid nor closes anything.
class SocketHandle final {
public:
    // Owns nothing: descriptor -1, type Unknown.
    SocketHandle() = default;
    // socket(ai_family, ai_socktype, ai_protocol). Throws XBrokenInvariantsError for a
    // null node and XSocketError for an unsupported type or a failing socket call.
    explicit SocketHandle(const addrinfo* addressInfo);
    // Takes ownership of an open socket descriptor and reads its type. On failure the
    // descriptor stays with the caller: XBrokenInvariantsError when it is not open,
    // XSocketError when its type cannot be read or is neither stream nor datagram.
    explicit SocketHandle(int descriptor);
    // socket(AF_UNIX, type, 0). Throws XBrokenInvariantsError for type Unknown and
    // XSocketError when the socket call fails.
    explicit SocketHandle(const UnixDomainSocketPolicy& policy);

    ~SocketHandle();
    SocketHandle(SocketHandle&& other) noexcept;
    // Releases what this handle owns first, as Close does.
    SocketHandle& operator=(SocketHandle&& other) noexcept;
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;

    // Shuts a valid stream socket down in both directions, closes a valid descriptor
    // and leaves the handle owning nothing. Never throws.
    void Close() noexcept;

    int GetSocketDescriptor() const noexcept { return descriptor_; }
    bool IsValid() const noexcept;
    // The operations below throw XInvalidOperationError on a handle that is not
    // valid and XSocketError when the system call fails.
    SocketType GetSocketType() const;
    void MakeNonBlocking();
    void MakeBlocking();
    // Stream sockets only.
    void ShutdownWrite();
    // Timeouts of 1..2147483647 ms; an invalid or zero duration is refused.
    void SetReceiveTimeout(const VekDomain::Milliseconds& timeout);
    void SetSendTimeout(const VekDomain::Milliseconds& timeout);

private:
    int descriptor_ = -1;
    SocketType socketType_ = SocketType::Unknown;
};

}  // namespace VekLibrary::Networking
