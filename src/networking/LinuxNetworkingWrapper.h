#pragma once

#include <string>

#include "networking/ILinuxNetworkingWrapper.h"

namespace VekLibrary::Networking {

class LinuxNetworkingWrapper final : public ILinuxNetworkingWrapper {
public:
    AddressInfoList GetAddressInfo(const std::string& host, const std::string& service,
                                   AddressFamilyEnum family, SocketType type, int flags) override;
    // Runs the lookup in glibc's getaddrinfo_a helper thread. A lookup that glibc can
    // no longer cancel at the deadline keeps running there; its request and result
    // stay allocated (reachable, not leaked) until a later call finds it finished.
    AddressInfoList GetAddressInfo(const std::string& host, const std::string& service,
                                   AddressFamilyEnum family, SocketType type, int flags,
                                   const VekDomain::Deadline& deadline) override;
    std::string AddressAsString(const addrinfo* addressInfo) override;
    void IpStringToAddress(const std::string& text, AddressFamilyEnum family,
                           sockaddr_storage& out) override;
    AddressFamilyEnum GetAddressType(const std::string& text) override;
    bool IsValidIpAddress(const std::string& text) override;
};

}  // namespace VekLibrary::Networking
