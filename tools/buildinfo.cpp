// Reports the SSH library this build links, and how the probe carries OpenSSL's
// libcrypto and zlib, so a fresh setup can be checked at a glance.
#include <libssh2.h>
#include <openssl/crypto.h>
#include <zlib.h>

#include <iostream>

#include "event_handlers.h"

int main() {
    // A null callback leaves the registration untouched; the calls only prove that the
    // hook functions are linked in from our libssh2 build.
    register_banner_received_handler(nullptr, nullptr);
    register_key_exchanged_handler(nullptr, nullptr);
    register_kexinit_received_handler(nullptr, nullptr);
    std::cout << "libssh2 " << libssh2_version(0)
              << " (static, OpenSSL back end, zlib, handshake event hooks)\n";
    // This program links them as the probe does, so the versions are the probe's.
#if VEK_STATIC_CRYPTO
    const char* const linkage = " (linked into vek: rebuild vek after every update of it)\n";
#else
    const char* const linkage = " (shared library of the system)\n";
#endif
    std::cout << OpenSSL_version(OPENSSL_VERSION) << linkage;
    std::cout << "zlib " << zlibVersion() << linkage;
    return 0;
}
