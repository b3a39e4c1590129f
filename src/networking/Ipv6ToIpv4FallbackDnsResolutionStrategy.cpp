#include "networking/Ipv6ToIpv4FallbackDnsResolutionStrategy.h"

#include <netdb.h>

#include <utility>

#include "domain/Exceptions.h"
#include "networking/NetworkErrors.h"

namespace VekLibrary::Networking {

Ipv6ToIpv4FallbackDnsResolutionStrategy::Ipv6ToIpv4FallbackDnsResolutionStrategy(
    std::shared_ptr<ILinuxNetworkingWrapper> networkingWrapper)
    : networkingWrapper_(std::move(networkingWrapper)) {
    if (!networkingWrapper_) {
        throw XBrokenInvariantsError("Linux networking wrapper cannot be null");
    }
}

AddressInfoList Ipv6ToIpv4FallbackDnsResolutionStrategy::Resolve(const std::string& host,
                                                                 const std::string& service,
                                                                 AddressFamilyEnum family) {
    return Resolve(host, service, family, SocketType::Stream);
}

AddressInfoList Ipv6ToIpv4FallbackDnsResolutionStrategy::Resolve(const std::string& host,
                                                                 const std::string& service,
                                                                 AddressFamilyEnum family,
                                                                 SocketType type) {
    return ResolveWith(host, service, family, [&](AddressFamilyEnum lookupFamily, int flags) {
        return networkingWrapper_->GetAddressInfo(host, service, lookupFamily, type, flags);
    });
}

AddressInfoList Ipv6ToIpv4FallbackDnsResolutionStrategy::Resolve(
    const std::string& host, const std::string& service, AddressFamilyEnum family, SocketType type,
    const VekDomain::Deadline& deadline) {
    return ResolveWith(host, service, family, [&](AddressFamilyEnum lookupFamily, int flags) {
        return networkingWrapper_->GetAddressInfo(host, service, lookupFamily, type, flags,
                                                  deadline);
    });
}

AddressInfoList Ipv6ToIpv4FallbackDnsResolutionStrategy::ResolveWith(const std::string& host,
                                                                     const std::string& service,
                                                                     AddressFamilyEnum family,
                                                                     const Lookup& lookup) {
    if (host.empty()) {
        throw XNameResolutionError("Hostname cannot be empty.");
    }
    const AddressFamilyEnum literalFamily = networkingWrapper_->GetAddressType(host);
    if (literalFamily != AddressFamilyEnum::Unspecified) {
        return lookup(literalFamily,
                      service.empty() ? AI_NUMERICHOST : (AI_NUMERICHOST | AI_NUMERICSERV));
    }

    AddressInfoList list = lookup(AddressFamilyEnum::Unspecified, AI_CANONNAME | AI_ADDRCONFIG);
    if (family != AddressFamilyEnum::Unspecified) {
        MoveCurrentNodeToFirstByType(list, family);
    }
    if (family == AddressFamilyEnum::Ipv6 && list.GetCurrentNode() == nullptr) {
        list.ResetCurrentNode();
        MoveCurrentNodeToFirstByType(list, AddressFamilyEnum::Ipv4);
    }
    if (list.GetCurrentNode() == nullptr) {
        // `list` is freed on the way out.
        throw XNameResolutionError("No IP address found for the hostname: " + host);
    }
    return list;
}

void Ipv6ToIpv4FallbackDnsResolutionStrategy::MoveCurrentNodeToFirstByType(
    AddressInfoList& list, AddressFamilyEnum family) {
    const addrinfo* node = list.GetCurrentNode();
    while (node != nullptr && node->ai_family != static_cast<int>(family)) {
        node = list.Next();
    }
}

}  // namespace VekLibrary::Networking
