#pragma once

namespace VekLibrary::Networking {

// Address families with the socket layer's numbers (AF_UNSPEC, AF_INET, AF_INET6),
// so a value converts directly to and from addrinfo::ai_family.
enum class AddressFamilyEnum : int {
    Unspecified = 0,
    Ipv4 = 2,
    Ipv6 = 10,
};

}  // namespace VekLibrary::Networking
