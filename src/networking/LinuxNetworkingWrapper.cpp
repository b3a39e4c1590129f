#include "networking/LinuxNetworkingWrapper.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cerrno>
#include <cstring>

#include "domain/Exceptions.h"
#include "networking/NetworkErrors.h"
#include "networking/NetworkingHelpers.h"

namespace VekLibrary::Networking {

namespace {

bool HasEmbeddedNul(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

XNameResolutionError ResolutionError(const std::string& host, int result) {
    return XNameResolutionError("Failed to resolve hostname: " + host +
                                ". getaddrinfo() returned: " + ::gai_strerror(result));
}

}  // namespace

AddressInfoList LinuxNetworkingWrapper::GetAddressInfo(const std::string& host,
                                                       const std::string& service,
                                                       AddressFamilyEnum family, SocketType type,
                                                       int flags) {
    // The resolver reads C strings: "a\0b" would be looked up as "a", a different
    // name than the one the caller asked for and reports. No such name exists.
    if (HasEmbeddedNul(host) || HasEmbeddedNul(service)) {
        throw ResolutionError(host, EAI_NONAME);
    }
    addrinfo hints{};
    hints.ai_flags = flags;
    hints.ai_family = static_cast<int>(family);
    hints.ai_socktype = static_cast<int>(type);
    hints.ai_protocol = 0;
    addrinfo* list = nullptr;
    const int result = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    AddressInfoPointer owned(list);
    if (result != 0 || !owned) {
        throw ResolutionError(host, result != 0 ? result : EAI_NONAME);
    }
    return AddressInfoList(std::move(owned));
}

std::string LinuxNetworkingWrapper::AddressAsString(const addrinfo* addressInfo) {
    if (addressInfo == nullptr || addressInfo->ai_addr == nullptr) {
        throw XBrokenInvariantsError(
            "Cannot represent address as string, addrinfo or ai_addr is null.");
    }
    const int family = addressInfo->ai_family;
    const void* address = nullptr;
    socklen_t requiredLength = 0;
    if (family == AF_INET) {
        requiredLength = sizeof(sockaddr_in);
        address = &reinterpret_cast<const sockaddr_in*>(addressInfo->ai_addr)->sin_addr;
    } else if (family == AF_INET6) {
        requiredLength = sizeof(sockaddr_in6);
        address = &reinterpret_cast<const sockaddr_in6*>(addressInfo->ai_addr)->sin6_addr;
    } else {
        throw XBrokenInvariantsError("Unsupported address family: " + std::to_string(family));
    }
    // A node whose address is shorter than its family needs would make inet_ntop read
    // past the end of ai_addr; one whose address says another family is not that address.
    if (addressInfo->ai_addrlen < requiredLength) {
        throw XBrokenInvariantsError("Cannot represent address as string, ai_addrlen " +
                                     std::to_string(addressInfo->ai_addrlen) +
                                     " is too short for address family " + std::to_string(family) +
                                     ".");
    }
    if (addressInfo->ai_addr->sa_family != family) {
        throw XBrokenInvariantsError("Cannot represent address as string, ai_addr family " +
                                     std::to_string(addressInfo->ai_addr->sa_family) +
                                     " does not match ai_family " + std::to_string(family) + ".");
    }
    char text[INET6_ADDRSTRLEN] = {};
    if (::inet_ntop(family, address, text, sizeof(text)) == nullptr) {
        throw XBrokenInvariantsError("inet_ntop failed: " + std::to_string(errno));
    }
    return text;
}

void LinuxNetworkingWrapper::IpStringToAddress(const std::string& text, AddressFamilyEnum family,
                                               sockaddr_storage& out) {
    // Zeroed before any check, so that no refusal leaves an earlier address in `out`.
    std::memset(&out, 0, sizeof(out));
    if (text.empty()) {
        throw XBrokenInvariantsError("Cannot convert empty string to address.");
    }
    void* address = nullptr;
    if (family == AddressFamilyEnum::Ipv4) {
        auto* ipv4 = reinterpret_cast<sockaddr_in*>(&out);
        ipv4->sin_family = AF_INET;
        address = &ipv4->sin_addr;
    } else if (family == AddressFamilyEnum::Ipv6) {
        auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&out);
        ipv6->sin6_family = AF_INET6;
        address = &ipv6->sin6_addr;
    } else {
        throw XBrokenInvariantsError(
            "Cannot convert string to address, unsupported address family : " +
            std::to_string(static_cast<int>(family)));
    }
    // errno is cleared first: inet_pton sets it only when the family is unsupported,
    // and a stale value would name an unrelated failure. A text with an embedded NUL
    // is refused rather than converted up to the NUL.
    errno = 0;
    if (HasEmbeddedNul(text) || ::inet_pton(static_cast<int>(family), text.c_str(), address) != 1) {
        const int error = errno;
        std::memset(&out, 0, sizeof(out));
        throw XBrokenInvariantsError("Cannot convert string to address, ::inet_pton failed. " +
                                     std::to_string(error));
    }
}

AddressFamilyEnum LinuxNetworkingWrapper::GetAddressType(const std::string& text) {
    return NetworkingHelpers::GetAddressType(text);
}

bool LinuxNetworkingWrapper::IsValidIpAddress(const std::string& text) {
    return GetAddressType(text) != AddressFamilyEnum::Unspecified;
}

}  // namespace VekLibrary::Networking
