#pragma once

#include <cstdint>
#include <string>

#include "networking/AddressFamilyEnum.h"
#include "networking/UrlComponentValues.h"

namespace VekLibrary::Networking {

// A validated, normalised URL "[scheme://][user[:password]@]host[:port][/path][?query][#fragment]".
// Immutable. The host is kept without brackets, the port in its decimal form without
// leading zeros. Every constructor throws XBrokenInvariantsError for invalid pieces.
class UrlComponents final {
public:
    explicit UrlComponents(const UrlComponentValues& values);
    UrlComponents(const std::string& scheme, const std::string& host, const std::string& port,
                  const std::string& absolutePath);
    UrlComponents(const std::string& scheme, const std::string& host, const std::string& port);
    explicit UrlComponents(const std::string& host);

    UrlComponentValues GetComponentValues() const { return values_; }
    std::string GetScheme() const { return values_.scheme; }
    std::string GetHost() const { return values_.host; }
    std::string GetPortAsString() const { return values_.port; }
    std::uint16_t GetPortAsNumber() const { return portNumber_; }
    std::string GetAbsolutePath() const { return values_.absolutePath; }
    std::string GetUsername() const { return values_.username; }
    std::string GetPassword() const { return values_.password; }
    std::string GetQuery() const { return values_.query; }
    std::string GetFragment() const { return values_.fragment; }
    AddressFamilyEnum GetAddressFamily() const { return addressFamily_; }
    // The host, in square brackets when it is an IPv6 literal.
    std::string GetNormalizedHost() const { return normalizedHost_; }
    // The URL recomposed from the normalised components.
    std::string GetUrl() const { return url_; }

    bool operator==(const UrlComponents& other) const;
    bool operator!=(const UrlComponents& other) const { return !(*this == other); }

private:
    UrlComponentValues values_;
    std::uint16_t portNumber_ = 0;
    AddressFamilyEnum addressFamily_ = AddressFamilyEnum::Unspecified;
    std::string normalizedHost_;
    std::string url_;
};

}  // namespace VekLibrary::Networking
