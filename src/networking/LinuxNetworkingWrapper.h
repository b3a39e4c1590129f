#pragma once

#include <string>

#include "networking/ILinuxNetworkingWrapper.h"

namespace VekLibrary::Networking {

class LinuxNetworkingWrapper final : public ILinuxNetworkingWrapper {
public:
    AddressInfoList GetAddressInfo(const std::string& host, const std::string& service,
                                   AddressFamilyEnum family, SocketType type, int flags) override;
    std::string AddressAsString(const addrinfo* addressInfo) override;
    void IpStringToAddress(const std::string& text, AddressFamilyEnum family,
                           sockaddr_storage& out) override;
    AddressFamilyEnum GetAddressType(const std::string& text) override;
    bool IsValidIpAddress(const std::string& text) override;
};

}  // namespace VekLibrary::Networking
