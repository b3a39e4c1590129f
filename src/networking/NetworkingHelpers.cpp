#include "networking/NetworkingHelpers.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <string>

namespace VekLibrary::Networking::NetworkingHelpers {

static_assert(static_cast<int>(AddressFamilyEnum::Unspecified) == AF_UNSPEC);
static_assert(static_cast<int>(AddressFamilyEnum::Ipv4) == AF_INET);
static_assert(static_cast<int>(AddressFamilyEnum::Ipv6) == AF_INET6);

AddressFamilyEnum GetAddressType(std::string_view text) {
    // inet_pton reads a C string: "127.0.0.1\0junk" would pass as 127.0.0.1 while the
    // caller goes on using the whole text.
    if (text.find('\0') != std::string_view::npos) {
        return AddressFamilyEnum::Unspecified;
    }
    const std::string terminated(text);
    in6_addr buffer{};
    if (::inet_pton(AF_INET, terminated.c_str(), &buffer) == 1) {
        return AddressFamilyEnum::Ipv4;
    }
    if (::inet_pton(AF_INET6, terminated.c_str(), &buffer) == 1) {
        return AddressFamilyEnum::Ipv6;
    }
    return AddressFamilyEnum::Unspecified;
}

}  // namespace VekLibrary::Networking::NetworkingHelpers
