#include "exporter/BasicAuth.h"

#include <crypt.h>
#include <openssl/crypto.h>
#include <openssl/sha.h>

#include <cstring>
#include <memory>

#include "crypto/Base64Codec.h"
#include "probeclient/SecretFile.h"

namespace VekExporter {

namespace {

// How many verdicts are kept; one more drops an arbitrary one.
constexpr std::size_t kMaxVerdicts = 100;
// A bcrypt hash of cost 10 that no password of a real user is checked against.
constexpr const char* kStandInHash = "$2b$10$xa0aI./Ge.uQ5xwOGTtZwenWSlzj2Z5f7ib.QFipPfaxZ4XpDAJVS";

std::string CacheKey(const std::string& user, const std::string& hash,
                     const std::string& password) {
    std::string material = user;
    material += '\0';
    material += hash;
    material += '\0';
    material += password;
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(material.data()), material.size(), digest);
    VekProbeClient::WipeText(material);
    return std::string(reinterpret_cast<const char*>(digest), sizeof digest);
}

}  // namespace

bool BasicAuth::Admits(const std::map<std::string, std::string>& users,
                       const std::string& authorization) {
    if (users.empty()) {
        return true;
    }
    static const std::string kScheme = "Basic ";
    if (authorization.size() <= kScheme.size() ||
        strncasecmp(authorization.c_str(), kScheme.c_str(), kScheme.size()) != 0) {
        return false;
    }
    std::string credentials;
    try {
        VekLibrary::Crypto::Base64Codec::Decode(authorization.substr(kScheme.size()), credentials);
    } catch (const std::exception&) {
        return false;
    }
    const std::size_t colon = credentials.find(':');
    // crypt_r reads the password up to its first NUL: one with a NUL is refused
    // rather than checked without its tail.
    if (colon == std::string::npos || credentials.find('\0') != std::string::npos) {
        VekProbeClient::WipeText(credentials);
        return false;
    }
    const std::string user = credentials.substr(0, colon);
    std::string password = credentials.substr(colon + 1);
    VekProbeClient::WipeText(credentials);
    const auto found = users.find(user);
    const bool known = found != users.end();
    const std::string hash = known ? found->second : kStandInHash;
    const std::string key = CacheKey(user, hash, password);
    bool verdict = false;
    bool cached = false;
    {
        const std::lock_guard<std::mutex> lock(cacheMutex_);
        const auto entry = verdicts_.find(key);
        if (entry != verdicts_.end()) {
            verdict = entry->second;
            cached = true;
        }
    }
    if (!cached) {
        verdict = Verify(hash, password) && known;
        const std::lock_guard<std::mutex> lock(cacheMutex_);
        if (verdicts_.size() >= kMaxVerdicts) {
            verdicts_.erase(verdicts_.begin());
        }
        verdicts_[key] = verdict;
    }
    VekProbeClient::WipeText(password);
    return verdict && known;
}

bool BasicAuth::Verify(const std::string& hash, const std::string& password) {
    const std::lock_guard<std::mutex> lock(bcryptMutex_);
    // crypt_data is large (about 32 KiB): one on the heap, wiped after each use.
    static const auto data = std::make_unique<crypt_data>();
    std::memset(data.get(), 0, sizeof(crypt_data));
    const char* result = ::crypt_r(password.c_str(), hash.c_str(), data.get());
    const bool matches = result != nullptr && result[0] != '*' &&
                         std::strlen(result) == hash.size() &&
                         CRYPTO_memcmp(result, hash.data(), hash.size()) == 0;
    OPENSSL_cleanse(data.get(), sizeof(crypt_data));
    return matches;
}

}  // namespace VekExporter
