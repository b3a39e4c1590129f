// The fixed generator replaces OpenSSL's through RAND_set_rand_method, which
// OpenSSL 3 keeps but marks deprecated.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "fuzz/FixedCrypto.h"

#include <dlfcn.h>
#include <openssl/bn.h>
#include <openssl/rand.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "fuzz/FuzzFault.h"

namespace {

constexpr std::uint64_t kSeed = 0x9E3779B97F4A7C15ULL;
std::uint64_t randomState = kSeed;

int FixedRandomBytes(unsigned char* buffer, int count) {
    for (int i = 0; i < count; ++i) {
        randomState ^= randomState >> 12;
        randomState ^= randomState << 25;
        randomState ^= randomState >> 27;
        buffer[i] = static_cast<unsigned char>((randomState * 0x2545F4914F6CDD1DULL) >> 56);
    }
    return 1;
}

int AlwaysSeeded() {
    return 1;
}

struct HexDeleter {
    void operator()(char* text) const { OPENSSL_free(text); }
};

std::string Hex(const BIGNUM* number) {
    const std::unique_ptr<char, HexDeleter> text(BN_bn2hex(number));
    return text ? std::string(text.get()) : std::string();
}

using ModExp = int (*)(BIGNUM*, const BIGNUM*, const BIGNUM*, const BIGNUM*, BN_CTX*);

}  // namespace

namespace VekFuzz {

void InstallFixedRandom() {
    static RAND_METHOD fixed = {nullptr, FixedRandomBytes, nullptr,
                                nullptr, FixedRandomBytes, AlwaysSeeded};
    RAND_set_rand_method(&fixed);
}

void RestartFixedRandom() {
    randomState = kSeed;
}

}  // namespace VekFuzz

// Stands in for libcrypto's BN_mod_exp in this executable, which libssh2 (linked
// in statically) calls for its Diffie-Hellman exchange. The exponent is the
// client's secret from the fixed generator, so the same few values every time,
// and most inputs repeat the server's value of the input they were mutated from;
// yet for the 4096- and 8192-bit groups one exponentiation costs more than the
// rest of a handshake. So results are kept, at most a few thousand at a time.
extern "C" int BN_mod_exp(BIGNUM* result, const BIGNUM* base, const BIGNUM* exponent,
                          const BIGNUM* modulus, BN_CTX* context) {
    static const auto real = reinterpret_cast<ModExp>(::dlsym(RTLD_NEXT, "BN_mod_exp"));
    if (real == nullptr) {
        VekFuzz::Fault("libcrypto's BN_mod_exp is not found");
    }
    constexpr std::size_t kMaxKept = 4096;
    static std::map<std::tuple<std::string, std::string, std::string>, std::string> kept;
    auto key = std::make_tuple(Hex(base), Hex(exponent), Hex(modulus));
    const auto found = kept.find(key);
    if (found != kept.end()) {
        return BN_hex2bn(&result, found->second.c_str()) != 0 ? 1 : 0;
    }
    const int rc = real(result, base, exponent, modulus, context);
    if (rc == 1) {
        if (kept.size() >= kMaxKept) {
            kept.clear();
        }
        kept.emplace(std::move(key), Hex(result));
    }
    return rc;
}
