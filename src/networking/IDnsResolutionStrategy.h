#pragma once

#include <string>

#include "domain/Deadline.h"
#include "networking/AddressFamilyEnum.h"
#include "networking/AddressInfoList.h"
#include "networking/SocketType.h"

namespace VekLibrary::Networking {

// Turns a host and service into the address to connect to: the returned list's
// current node. IP literals are used as they are, without a name lookup. Every
// failure is an XNameResolutionError, except that the timed Resolve throws
// XTestTimeout when the lookup outlasts its deadline and XBrokenInvariantsError for a
// deadline given less than 1 ms (as ILinuxNetworkingWrapper's timed GetAddressInfo).
class IDnsResolutionStrategy {
public:
    virtual ~IDnsResolutionStrategy() = default;

    // Resolve for a stream socket.
    virtual AddressInfoList Resolve(const std::string& host, const std::string& service,
                                    AddressFamilyEnum family) = 0;
    virtual AddressInfoList Resolve(const std::string& host, const std::string& service,
                                    AddressFamilyEnum family, SocketType type) = 0;
    // The same rules, with every lookup bounded by `deadline`.
    virtual AddressInfoList Resolve(const std::string& host, const std::string& service,
                                    AddressFamilyEnum family, SocketType type,
                                    const VekDomain::Deadline& deadline) = 0;
};

}  // namespace VekLibrary::Networking
