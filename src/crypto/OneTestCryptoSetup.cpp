#include "crypto/OneTestCryptoSetup.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

namespace VekLibrary::Crypto {

void SetUpCryptoForOneTest() {
    // Both calls only fail when OpenSSL is already in use, and then leave its
    // defaults, which work.
    static_cast<void>(OPENSSL_init_crypto(
        OPENSSL_INIT_NO_LOAD_CONFIG | OPENSSL_INIT_NO_ATEXIT | OPENSSL_INIT_NO_LOAD_CRYPTO_STRINGS,
        nullptr));
    static_cast<void>(RAND_set_DRBG_type(nullptr, "HASH-DRBG", nullptr, nullptr, "SHA256"));
}

}  // namespace VekLibrary::Crypto
