#pragma once

#include <functional>
#include <memory>
#include <string>

#include "networking/IDnsResolutionStrategy.h"
#include "networking/ILinuxNetworkingWrapper.h"

namespace VekLibrary::Networking {

// Selects the first address of the requested family in the resolver's order; when
// IPv6 is requested and the name has no IPv6 address, the first IPv4 address is
// used instead. There is no fallback from IPv4 to IPv6. An IP literal keeps its own
// family whatever was requested.
class Ipv6ToIpv4FallbackDnsResolutionStrategy final : public IDnsResolutionStrategy {
public:
    // Throws XBrokenInvariantsError for a null wrapper.
    explicit Ipv6ToIpv4FallbackDnsResolutionStrategy(
        std::shared_ptr<ILinuxNetworkingWrapper> networkingWrapper);

    AddressInfoList Resolve(const std::string& host, const std::string& service,
                            AddressFamilyEnum family) override;
    AddressInfoList Resolve(const std::string& host, const std::string& service,
                            AddressFamilyEnum family, SocketType type) override;
    AddressInfoList Resolve(const std::string& host, const std::string& service,
                            AddressFamilyEnum family, SocketType type,
                            const VekDomain::Deadline& deadline) override;

private:
    // One wrapper lookup of the host with the given family and flags; the two Resolve
    // paths differ only in it.
    using Lookup = std::function<AddressInfoList(AddressFamilyEnum family, int flags)>;

    AddressInfoList ResolveWith(const std::string& host, const std::string& service,
                                AddressFamilyEnum family, const Lookup& lookup);
    // Advances the cursor from its current node to the first node of `family`; the
    // cursor is null when there is none.
    static void MoveCurrentNodeToFirstByType(AddressInfoList& list, AddressFamilyEnum family);

    std::shared_ptr<ILinuxNetworkingWrapper> networkingWrapper_;
};

}  // namespace VekLibrary::Networking
