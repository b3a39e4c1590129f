#pragma once

#include <cstdint>
#include <string>

namespace VekLibrary::Networking {

struct NormalizedPort {
    std::string text;      // decimal, without leading zeros; empty when no port was given
    std::uint16_t number;  // 0 when no port was given
};

// Validates a port text: empty gives ("", 0); otherwise only ASCII digits with a
// value in 1..65535 are accepted. Throws XBrokenInvariantsError with a message
// starting "UrlComponents: Port must be a number between 1 and 65'535. ".
NormalizedPort NormalizePort(const std::string& port);

// Like NormalizePort, but an empty text is refused as well
// ("UrlComponents: Port cannot be empty.").
void EnsureValidPortNumber(const std::string& port);

}  // namespace VekLibrary::Networking
