#include "networking/EnsureValidPortNumber.h"

#include <stdexcept>

#include "domain/Exceptions.h"

namespace VekLibrary::Networking {

namespace {

constexpr char kPortRangePrefix[] = "UrlComponents: Port must be a number between 1 and 65'535. ";

}  // namespace

NormalizedPort NormalizePort(const std::string& port) {
    if (port.empty()) {
        return {"", 0};
    }
    for (char c : port) {
        if (c < '0' || c > '9') {
            throw XBrokenInvariantsError(std::string(kPortRangePrefix) +
                                         "Port contains non-digit characters. Value: (" + port +
                                         ")");
        }
    }
    unsigned long value = 0;
    try {
        value = std::stoul(port);
    } catch (const std::out_of_range& error) {
        throw XBrokenInvariantsError(std::string(kPortRangePrefix) + error.what() +
                                     " Provided port: " + port);
    }
    if (value == 0 || value > 65535) {
        throw XBrokenInvariantsError(std::string(kPortRangePrefix) +
                                     "Port number out of range. Provided: " + port);
    }
    return {std::to_string(value), static_cast<std::uint16_t>(value)};
}

void EnsureValidPortNumber(const std::string& port) {
    if (port.empty()) {
        throw XBrokenInvariantsError("UrlComponents: Port cannot be empty.");
    }
    NormalizePort(port);
}

}  // namespace VekLibrary::Networking
