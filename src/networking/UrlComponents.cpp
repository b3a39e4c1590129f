#include "networking/UrlComponents.h"

#include "domain/Exceptions.h"
#include "networking/EnsureValidPortNumber.h"
#include "networking/NetworkingHelpers.h"

namespace VekLibrary::Networking {

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

void ValidateScheme(const std::string& scheme) {
    if (scheme.empty()) {
        return;
    }
    if (!IsAsciiLetter(scheme.front())) {
        throw XBrokenInvariantsError("Scheme must start with an alphabetic character: " + scheme);
    }
    for (char c : scheme) {
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '+' && c != '-' && c != '.') {
            throw XBrokenInvariantsError("Scheme contains invalid characters: " + scheme);
        }
    }
}

// Returns the host without brackets.
std::string ValidateHost(const std::string& host) {
    if (host.empty()) {
        throw XBrokenInvariantsError("Host cannot be empty.");
    }
    const std::string notIpv6Message =
        "Host is supposed to be an IPv6 literal but it's not. host: " + host;
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']') {
            throw XBrokenInvariantsError("Bracketed IPv6 host is malformed: " + host);
        }
        std::string inner = host.substr(1, host.size() - 2);
        if (NetworkingHelpers::GetAddressType(inner) != AddressFamilyEnum::Ipv6) {
            throw XBrokenInvariantsError(notIpv6Message);
        }
        return inner;
    }
    if (host.find_first_of(":[]") != std::string::npos &&
        NetworkingHelpers::GetAddressType(host) != AddressFamilyEnum::Ipv6) {
        throw XBrokenInvariantsError(notIpv6Message);
    }
    return host;
}

}  // namespace

UrlComponents::UrlComponents(const UrlComponentValues& values) : values_(values) {
    ValidateScheme(values_.scheme);
    values_.host = ValidateHost(values_.host);
    if (!values_.password.empty() && values_.username.empty()) {
        throw XBrokenInvariantsError("Password cannot be supplied without username.");
    }
    NormalizedPort port = NormalizePort(values_.port);
    values_.port = std::move(port.text);
    portNumber_ = port.number;
    if (!values_.absolutePath.empty() && values_.absolutePath.front() != '/') {
        values_.absolutePath.insert(0, "/");
    }
    addressFamily_ = NetworkingHelpers::GetAddressType(values_.host);
    normalizedHost_ =
        addressFamily_ == AddressFamilyEnum::Ipv6 ? "[" + values_.host + "]" : values_.host;

    std::string url;
    if (!values_.scheme.empty()) {
        url += values_.scheme + "://";
    }
    if (!values_.username.empty()) {
        url += values_.username;
        if (!values_.password.empty()) {
            url += ":" + values_.password;
        }
        url += "@";
    }
    url += normalizedHost_;
    if (!values_.port.empty()) {
        url += ":" + values_.port;
    }
    url += values_.absolutePath;
    if (!values_.query.empty()) {
        url += "?" + values_.query;
    }
    if (!values_.fragment.empty()) {
        url += "#" + values_.fragment;
    }
    // Without a scheme the recomposed text must not contain "://": read again, the
    // text before it would be taken for a scheme, so the URL would not describe
    // these components any more.
    if (values_.scheme.empty() && url.find("://") != std::string::npos) {
        throw XBrokenInvariantsError("Url without a scheme cannot contain \"://\". Invalid url: " +
                                     url);
    }
    url_ = std::move(url);
}

UrlComponents::UrlComponents(const std::string& scheme, const std::string& host,
                             const std::string& port, const std::string& absolutePath)
    : UrlComponents(UrlComponentValues{scheme, host, port, absolutePath, "", "", "", ""}) {}

UrlComponents::UrlComponents(const std::string& scheme, const std::string& host,
                             const std::string& port)
    : UrlComponents(scheme, host, port, "") {}

UrlComponents::UrlComponents(const std::string& host) : UrlComponents("", host, "", "") {}

bool UrlComponents::operator==(const UrlComponents& other) const {
    return values_ == other.values_ && portNumber_ == other.portNumber_ &&
           addressFamily_ == other.addressFamily_ && normalizedHost_ == other.normalizedHost_ &&
           url_ == other.url_;
}

}  // namespace VekLibrary::Networking
