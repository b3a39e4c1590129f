#pragma once

#include <gmock/gmock.h>

#include <string>

#include "networking/ILinuxNetworkingWrapper.h"

namespace VekLibrary::Networking {

class MockLinuxNetworkingWrapper : public ILinuxNetworkingWrapper {
public:
    MOCK_METHOD(AddressInfoList, GetAddressInfo,
                (const std::string& host, const std::string& service, AddressFamilyEnum family,
                 SocketType type, int flags),
                (override));
    MOCK_METHOD(AddressInfoList, GetAddressInfo,
                (const std::string& host, const std::string& service, AddressFamilyEnum family,
                 SocketType type, int flags, const VekDomain::Deadline& deadline),
                (override));
    MOCK_METHOD(std::string, AddressAsString, (const addrinfo* addressInfo), (override));
    MOCK_METHOD(void, IpStringToAddress,
                (const std::string& text, AddressFamilyEnum family, sockaddr_storage& out),
                (override));
    MOCK_METHOD(AddressFamilyEnum, GetAddressType, (const std::string& text), (override));
    MOCK_METHOD(bool, IsValidIpAddress, (const std::string& text), (override));
};

}  // namespace VekLibrary::Networking
