#pragma once

#include <map>
#include <mutex>
#include <string>

namespace VekExporter {

// Checks HTTP basic authentication against the bcrypt hashes of basic_auth_users,
// as Prometheus' exporter toolkit does: with libcrypt's crypt_r (which reads $2y$,
// $2b$ and $2a$), one hash at a time so that a flood of guesses costs one core at
// most, against a stand-in hash for an unknown user so that the answer takes as
// long as for a known one, and with the verdicts of recent (user, hash, password)
// triples kept, keyed by their SHA-256, so that Prometheus' scrapes with the same
// credentials cost one bcrypt each, not one per scrape. Thread-safe.
class BasicAuth final {
public:
    // `authorization` is the request's Authorization header, or empty.
    bool Admits(const std::map<std::string, std::string>& users, const std::string& authorization);

private:
    bool Verify(const std::string& hash, const std::string& password);

    std::mutex cacheMutex_;
    std::map<std::string, bool> verdicts_;
    std::mutex bcryptMutex_;
};

}  // namespace VekExporter
