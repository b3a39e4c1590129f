#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

// Failures of the networking layer. XNetworkError and its subclasses keep the
// system error code in the std::system_error part and compose their own text.
namespace VekLibrary::Networking {

class SocketHandle;

class XNetworkError : public std::system_error {
public:
    XNetworkError(const std::string& message, std::error_code code)
        : std::system_error(code, message), text_(ComposeText(message, code)) {}

    const char* what() const noexcept override { return text_.c_str(); }

private:
    static std::string ComposeText(const std::string& message, std::error_code code) {
        if (code.value() == 0) {
            return message;
        }
        return message + " [error:" + std::to_string(code.value()) + " - " +
               code.category().name() + ":" + code.category().message(code.value()) + "].";
    }

    std::string text_;
};

// The TCP connection to <address> could not be established.
class XConnectError : public XNetworkError {
public:
    XConnectError(const std::string& address, const std::string& reason)
        : XNetworkError("Connection to " + address + " failed. Reason: " + reason,
                        std::error_code(0, std::system_category())) {}
};

// A socket operation failed. The text names the descriptor, the reason and errno as
// it stands when the exception is built:
// "Socket error(socket: <fd>). Reason: <reason>[errno: <n> - <strerror>]."
class XSocketError : public XNetworkError {
public:
    XSocketError(const SocketHandle& socket, const std::string& reason);
};

// Name resolution failed. Deliberately not an XNetworkError.
class XNameResolutionError : public std::runtime_error {
public:
    explicit XNameResolutionError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace VekLibrary::Networking
