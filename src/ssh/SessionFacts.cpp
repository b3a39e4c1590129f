#include "ssh/SessionFacts.h"

#include <cstring>
#include <string>

namespace Ssh {

namespace {

// Ciphers that authenticate the packets themselves; no separate MAC is negotiated.
constexpr const char* kAuthenticatedCiphers[] = {
    "chacha20-poly1305@openssh.com",
    "aes128-gcm@openssh.com",
    "aes256-gcm@openssh.com",
};
constexpr char kImplicitMac[] = "<implicit>";

std::string MethodName(LIBSSH2_SESSION* session, int methodType) {
    const char* name = libssh2_session_methods(session, methodType);
    return name != nullptr ? name : "";
}

bool IsAuthenticatedCipher(const std::string& cipher) {
    for (const char* name : kAuthenticatedCiphers) {
        if (cipher == name) {
            return true;
        }
    }
    return false;
}

std::string MacName(LIBSSH2_SESSION* session, int methodType, const std::string& cipher) {
    return IsAuthenticatedCipher(cipher) ? kImplicitMac : MethodName(session, methodType);
}

}  // namespace

void SessionFacts::RecordServerIdentification(LIBSSH2_SESSION* session, SshTestResult& result) {
    // Lines a server sends before its identification pass through the same buffer.
    const char* banner = libssh2_session_banner_get(session);
    if (banner != nullptr && std::strncmp(banner, "SSH-", 4) == 0) {
        result.SetServerIdentification(banner);
    }
}

void SessionFacts::RecordNegotiatedAlgorithms(LIBSSH2_SESSION* session, SshTestResult& result) {
    NegotiatedAlgorithms algorithms;
    algorithms.keyExchange = MethodName(session, LIBSSH2_METHOD_KEX);
    algorithms.hostKey = MethodName(session, LIBSSH2_METHOD_HOSTKEY);
    algorithms.cipherClientToServer = MethodName(session, LIBSSH2_METHOD_CRYPT_CS);
    algorithms.cipherServerToClient = MethodName(session, LIBSSH2_METHOD_CRYPT_SC);
    algorithms.macClientToServer =
        MacName(session, LIBSSH2_METHOD_MAC_CS, algorithms.cipherClientToServer);
    algorithms.macServerToClient =
        MacName(session, LIBSSH2_METHOD_MAC_SC, algorithms.cipherServerToClient);
    result.SetNegotiatedAlgorithms(algorithms);
}

}  // namespace Ssh
