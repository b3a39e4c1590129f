#pragma once

#include <openssl/ssl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "exporter/WebConfig.h"

namespace VekExporter {

// The TLS side of one web configuration, as OpenSSL objects: the certificate
// with its chain and key, the client CA store, the client certificate policy,
// the protocol versions, cipher suites and groups. Built once per reading of the
// file and shared read-only by every connection that began while it was current;
// each connection takes its settings at its ClientHello (see
// PrepareServerContext), so a new certificate or policy applies to the next
// connection without a restart.
class TlsSettings final {
public:
    // Loads and checks everything; throws std::runtime_error naming the key of
    // tls_server_config that is wrong and why (a certificate that does not parse,
    // a key that does not match it, an unknown cipher suite, ...).
    explicit TlsSettings(const TlsServerConfig& config);
    TlsSettings(const TlsSettings&) = delete;
    TlsSettings& operator=(const TlsSettings&) = delete;
    ~TlsSettings();

    // Gives one connection these settings. False when OpenSSL refused one.
    bool Apply(SSL* ssl) const;
    // The verdict on one certificate of the client's chain, given OpenSSL's own.
    bool Verified(bool opensslVerified, X509_STORE_CTX* store) const;

private:
    void Release();

    X509* certificate_ = nullptr;
    STACK_OF(X509) * chain_ = nullptr;
    EVP_PKEY* key_ = nullptr;
    X509_STORE* clientCas_ = nullptr;
    STACK_OF(X509_NAME) * clientCaNames_ = nullptr;
    int verifyMode_ = SSL_VERIFY_NONE;
    // False: a client certificate is taken without checking it against the CAs.
    bool checkChain_ = false;
    std::vector<std::string> allowedSans_;
    int minVersion_ = 0;
    int maxVersion_ = 0;
    std::string cipherList_;
    std::string groups_;
    bool preferServerCiphers_ = true;
};

// Where a connection finds the settings in force; empty when there are none.
using TlsSettingsSource = std::function<std::shared_ptr<const TlsSettings>()>;

// Makes every connection of `context` take its settings from `source` at its
// ClientHello. `source` is borrowed and must outlive the context. Returns false
// when OpenSSL refused.
bool PrepareServerContext(SSL_CTX& context, const TlsSettingsSource* source);

}  // namespace VekExporter
