#pragma once

#include <string>

namespace VekLibrary::Networking {

// The eight raw pieces of a URL, in this order; any of them may be empty.
struct UrlComponentValues {
    std::string scheme;
    std::string host;
    std::string port;
    std::string absolutePath;
    std::string username;
    std::string password;
    std::string query;
    std::string fragment;

    bool operator==(const UrlComponentValues& other) const {
        return scheme == other.scheme && host == other.host && port == other.port &&
               absolutePath == other.absolutePath && username == other.username &&
               password == other.password && query == other.query && fragment == other.fragment;
    }
    bool operator!=(const UrlComponentValues& other) const { return !(*this == other); }
};

}  // namespace VekLibrary::Networking
