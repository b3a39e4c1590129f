#include "networking/UrlComponentsFactory.h"

#include <algorithm>

#include "domain/Exceptions.h"
#include "networking/UrlComponentValues.h"

namespace VekLibrary::Networking {

namespace {

// Cuts `rest` at the first `separator` and returns what followed it.
std::string CutQueryOrFragment(std::string& rest, char separator) {
    const size_t at = rest.find(separator);
    if (at == std::string::npos) {
        return "";
    }
    if (at == 0) {
        throw XBrokenInvariantsError("Url starts with query or fragment. No hostname present.");
    }
    std::string tail = rest.substr(at + 1);
    rest.erase(at);
    return tail;
}

void SplitHostAndPort(const std::string& rest, UrlComponentValues& values) {
    if (!rest.empty() && rest.front() == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos) {
            throw XBrokenInvariantsError(
                "Ipv6 hostname must be enclosed within square-brackets([<host>]). Invalid url "
                "provided:" +
                rest);
        }
        if (close + 1 < rest.size() && rest[close + 1] != ':') {
            throw XBrokenInvariantsError(
                "Bracketed IPv6 hostname can only be followed by port. Invalid url provided:" +
                rest);
        }
        values.host = rest.substr(0, close + 1);
        if (close + 1 < rest.size()) {
            values.port = rest.substr(close + 2);
        }
        return;
    }
    if (std::count(rest.begin(), rest.end(), ':') >= 2) {
        values.host = rest;  // an unbracketed IPv6 literal, which cannot carry a port
        return;
    }
    const size_t colon = rest.find(':');
    if (colon == std::string::npos) {
        values.host = rest;
        return;
    }
    values.host = rest.substr(0, colon);
    values.port = rest.substr(colon + 1);
}

}  // namespace

void UrlComponentsFactory::Create(const std::string& url, std::unique_ptr<UrlComponents>& out) {
    if (url.empty()) {
        throw XBrokenInvariantsError("URL string is empty.");
    }
    if (url.size() > kMaxUrlLength) {
        throw XBrokenInvariantsError("URL string exceeds default maximum length of " +
                                     std::to_string(kMaxUrlLength) + " characters.");
    }

    UrlComponentValues values;
    std::string rest = url;
    const size_t schemeEnd = url.find("://");
    if (schemeEnd != std::string::npos) {
        values.scheme = url.substr(0, schemeEnd);
        if (schemeEnd + 3 >= url.size()) {
            throw XBrokenInvariantsError("No hostname. Invalid URL: " + url);
        }
        rest = url.substr(schemeEnd + 3);
    }

    values.fragment = CutQueryOrFragment(rest, '#');
    values.query = CutQueryOrFragment(rest, '?');

    const size_t slash = rest.find('/');
    if (slash != std::string::npos) {
        if (slash == 0) {
            throw XBrokenInvariantsError("Host and port string is empty.");
        }
        values.absolutePath = rest.substr(slash);
        rest.erase(slash);
    }

    const size_t at = rest.rfind('@');
    if (at != std::string::npos) {
        if (at == 0) {
            throw XBrokenInvariantsError(
                "Url contains empty userinfo details. No username present.");
        }
        if (at + 1 == rest.size()) {
            throw XBrokenInvariantsError("Url ends after userinfo details. No hostname present.");
        }
        const std::string userInfo = rest.substr(0, at);
        const size_t colon = userInfo.find(':');
        values.username = userInfo.substr(0, colon);
        if (colon != std::string::npos) {
            values.password = userInfo.substr(colon + 1);
        }
        rest.erase(0, at + 1);
    }

    SplitHostAndPort(rest, values);
    out = std::make_unique<UrlComponents>(values);
}

}  // namespace VekLibrary::Networking
