#pragma once

namespace VekLibrary::Networking {

// Socket types with the socket layer's numbers (SOCK_STREAM, SOCK_DGRAM).
enum class SocketType : int {
    Unknown = 0,
    Stream = 1,
    Datagram = 2,
};

}  // namespace VekLibrary::Networking
