#pragma once

#include <sys/socket.h>

#include <string>

#include "domain/Deadline.h"
#include "networking/AddressFamilyEnum.h"
#include "networking/AddressInfoList.h"
#include "networking/SocketType.h"

namespace VekLibrary::Networking {

// The exception-raising layer over the system's name resolution and address
// conversions. Stateless; callers own the lists it returns.
class ILinuxNetworkingWrapper {
public:
    virtual ~ILinuxNetworkingWrapper() = default;

    // getaddrinfo(host, service) with the given family, socket type and flags; the
    // service is passed as given, even when empty. Throws XNameResolutionError
    // "Failed to resolve hostname: <host>. getaddrinfo() returned: <gai_strerror>".
    virtual AddressInfoList GetAddressInfo(const std::string& host, const std::string& service,
                                           AddressFamilyEnum family, SocketType type,
                                           int flags) = 0;
    // The same lookup, with the same refusals and texts, bounded by `deadline`.
    // Throws XBrokenInvariantsError "Invalid timeout provided to GetAddressInfo:
    // <count>" unless the deadline was given at least 1 ms, and XTestTimeout "Name
    // resolution did not finish within <count> ms." when the lookup is still running
    // at the deadline; such a lookup is abandoned, not waited for. <count> is the
    // deadline's given milliseconds. A numeric host (AI_NUMERICHOST) with a numeric
    // or empty service needs no lookup and is converted at once, on this thread.
    virtual AddressInfoList GetAddressInfo(const std::string& host, const std::string& service,
                                           AddressFamilyEnum family, SocketType type, int flags,
                                           const VekDomain::Deadline& deadline) = 0;
    // The node's address as text, without port or brackets. Throws
    // XBrokenInvariantsError for a null node or address, an unsupported family or an
    // address that does not fit its family.
    virtual std::string AddressAsString(const addrinfo* addressInfo) = 0;
    // Zeroes `out` and fills its family and address (port 0) from an IP literal.
    // Throws XBrokenInvariantsError when the text is empty, the family is neither
    // Ipv4 nor Ipv6, or the text is not a literal of that family.
    virtual void IpStringToAddress(const std::string& text, AddressFamilyEnum family,
                                   sockaddr_storage& out) = 0;
    // Ipv4, Ipv6 or Unspecified, as NetworkingHelpers::GetAddressType.
    virtual AddressFamilyEnum GetAddressType(const std::string& text) = 0;
    virtual bool IsValidIpAddress(const std::string& text) = 0;
};

}  // namespace VekLibrary::Networking
