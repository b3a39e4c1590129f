#pragma once

#include <string_view>

#include "networking/AddressFamilyEnum.h"

namespace VekLibrary::Networking::NetworkingHelpers {

// Ipv4 when `text` is an IPv4 literal, else Ipv6 when it is an IPv6 literal (no
// brackets, no zone), else Unspecified. A text with an embedded NUL byte is never
// a literal. Never throws.
AddressFamilyEnum GetAddressType(std::string_view text);

}  // namespace VekLibrary::Networking::NetworkingHelpers
