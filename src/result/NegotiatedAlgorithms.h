#pragma once

#include <string>

namespace Ssh {

// The algorithms that the SSH key exchange settled on, by the names the SSH
// library reports; all empty until a key exchange has succeeded.
struct NegotiatedAlgorithms {
    std::string keyExchange;
    std::string hostKey;
    std::string cipherClientToServer;
    std::string cipherServerToClient;
    std::string macClientToServer;
    std::string macServerToClient;
};

}  // namespace Ssh
