#include "exporter/TlsSettings.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <mutex>
#include <stdexcept>

namespace VekExporter {

namespace {

using Bio = std::unique_ptr<BIO, decltype(&BIO_free)>;

Bio MemoryBio(const std::string& text) {
    return Bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())), &BIO_free);
}

// Never asks for a pass phrase: an encrypted key is refused, not prompted for.
int NoPassphrase(char*, int, int, void*) {
    return 0;
}

std::string OpensslReason() {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) {
        return "no PEM data found";
    }
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

[[noreturn]] void Refuse(const std::string& key, const std::string& reason) {
    throw std::runtime_error("tls_server_config: " + key + ": " + reason);
}

// Every certificate of a PEM text, in order.
std::vector<X509*> ReadCertificates(const std::string& pem, const std::string& key) {
    std::vector<X509*> certificates;
    const Bio bio = MemoryBio(pem);
    while (X509* certificate = PEM_read_bio_X509(bio.get(), nullptr, NoPassphrase, nullptr)) {
        certificates.push_back(certificate);
    }
    // Reading stops at the end of the text with "no start line"; anything else is
    // a certificate that does not parse.
    const unsigned long last = ERR_peek_last_error();
    const bool atEnd =
        ERR_GET_LIB(last) == ERR_LIB_PEM && ERR_GET_REASON(last) == PEM_R_NO_START_LINE;
    if (certificates.empty() || !atEnd) {
        const std::string reason = atEnd ? "no PEM certificate in it" : OpensslReason();
        for (X509* certificate : certificates) {
            X509_free(certificate);
        }
        Refuse(key, reason);
    }
    ERR_clear_error();
    return certificates;
}

void FreeSettingsRef(void*, void* pointer, CRYPTO_EX_DATA*, int, long, void*) {
    delete static_cast<std::shared_ptr<const TlsSettings>*>(pointer);
}

int SettingsIndex() {
    static std::once_flag once;
    static int index = -1;
    std::call_once(
        once, [] { index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, FreeSettingsRef); });
    return index;
}

int VerifyClient(int preverified, X509_STORE_CTX* store) {
    SSL* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    const auto* settings = ssl == nullptr ? nullptr
                                          : static_cast<std::shared_ptr<const TlsSettings>*>(
                                                SSL_get_ex_data(ssl, SettingsIndex()));
    return settings != nullptr && (*settings)->Verified(preverified == 1, store) ? 1 : 0;
}

int OnClientHello(SSL* ssl, int* alert, void* argument) {
    const auto* source = static_cast<const TlsSettingsSource*>(argument);
    std::shared_ptr<const TlsSettings> settings = (*source)();
    if (!settings || !settings->Apply(ssl)) {
        *alert = SSL_AD_INTERNAL_ERROR;
        return SSL_CLIENT_HELLO_ERROR;
    }
    auto* held = new std::shared_ptr<const TlsSettings>(std::move(settings));
    if (SSL_set_ex_data(ssl, SettingsIndex(), held) != 1) {
        delete held;
        *alert = SSL_AD_INTERNAL_ERROR;
        return SSL_CLIENT_HELLO_ERROR;
    }
    return SSL_CLIENT_HELLO_SUCCESS;
}

// The subject alternative names of a certificate as texts: DNS names, e-mail
// addresses and URIs as written, IP addresses in their usual notation.
std::vector<std::string> AlternativeNames(X509* certificate) {
    std::vector<std::string> names;
    auto* general = static_cast<GENERAL_NAMES*>(
        X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr));
    if (general == nullptr) {
        return names;
    }
    for (int i = 0; i < sk_GENERAL_NAME_num(general); ++i) {
        const GENERAL_NAME* name = sk_GENERAL_NAME_value(general, i);
        if (name->type == GEN_DNS || name->type == GEN_EMAIL || name->type == GEN_URI) {
            const ASN1_IA5STRING* text = name->d.ia5;
            names.emplace_back(reinterpret_cast<const char*>(ASN1_STRING_get0_data(text)),
                               static_cast<std::size_t>(ASN1_STRING_length(text)));
        } else if (name->type == GEN_IPADD) {
            const int length = ASN1_STRING_length(name->d.ip);
            char text[INET6_ADDRSTRLEN] = "";
            if ((length == 4 || length == 16) &&
                ::inet_ntop(length == 4 ? AF_INET : AF_INET6, ASN1_STRING_get0_data(name->d.ip),
                            text, sizeof text) != nullptr) {
                names.emplace_back(text);
            }
        }
    }
    GENERAL_NAMES_free(general);
    return names;
}

}  // namespace

TlsSettings::TlsSettings(const TlsServerConfig& config)
    : allowedSans_(config.clientAllowedSans),
      minVersion_(config.minVersion),
      maxVersion_(config.maxVersion),
      preferServerCiphers_(config.preferServerCipherSuites) {
    try {
        std::vector<X509*> certificates = ReadCertificates(config.certPem, config.certName);
        certificate_ = certificates.front();
        chain_ = sk_X509_new_null();
        for (std::size_t i = 1; i < certificates.size(); ++i) {
            sk_X509_push(chain_, certificates[i]);
        }
        const Bio keyBio = MemoryBio(config.keyPem);
        key_ = PEM_read_bio_PrivateKey(keyBio.get(), nullptr, NoPassphrase, nullptr);
        if (key_ == nullptr) {
            Refuse(config.keyName,
                   "no unencrypted PEM private key could be read (" + OpensslReason() + ")");
        }
        if (X509_check_private_key(certificate_, key_) != 1) {
            ERR_clear_error();
            Refuse(config.keyName,
                   "the key does not belong to the certificate of " + config.certName);
        }
        if (!config.clientCaPem.empty()) {
            clientCas_ = X509_STORE_new();
            clientCaNames_ = sk_X509_NAME_new_null();
            for (X509* ca : ReadCertificates(config.clientCaPem, config.clientCaName)) {
                X509_STORE_add_cert(clientCas_, ca);
                sk_X509_NAME_push(clientCaNames_, X509_NAME_dup(X509_get_subject_name(ca)));
                X509_free(ca);
            }
        }
        switch (config.clientAuth) {
            case ClientAuthEnum::NoClientCert:
                break;
            case ClientAuthEnum::RequestClientCert:
                verifyMode_ = SSL_VERIFY_PEER;
                break;
            case ClientAuthEnum::RequireAnyClientCert:
                verifyMode_ = SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT;
                break;
            case ClientAuthEnum::VerifyClientCertIfGiven:
                verifyMode_ = SSL_VERIFY_PEER;
                checkChain_ = true;
                break;
            case ClientAuthEnum::RequireAndVerifyClientCert:
                verifyMode_ = SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT;
                checkChain_ = true;
                break;
        }
        // OpenSSL's own names for the IANA names the file uses.
        std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> probe(SSL_CTX_new(TLS_server_method()),
                                                                &SSL_CTX_free);
        SSL_CTX_set_cipher_list(probe.get(), "ALL:COMPLEMENTOFALL");
        const STACK_OF(SSL_CIPHER)* known = SSL_CTX_get_ciphers(probe.get());
        for (const std::string& wanted : config.cipherSuites) {
            const SSL_CIPHER* found = nullptr;
            for (int i = 0; i < sk_SSL_CIPHER_num(known) && found == nullptr; ++i) {
                const SSL_CIPHER* cipher = sk_SSL_CIPHER_value(known, i);
                const char* standard = SSL_CIPHER_standard_name(cipher);
                if (standard != nullptr && wanted == standard) {
                    found = cipher;
                }
            }
            if (found == nullptr) {
                Refuse("cipher_suites",
                       "\"" + wanted + "\" is not a cipher suite this OpenSSL knows");
            }
            // TLS 1.3 suites are not configurable, as in the Go toolkit.
            if (std::string(SSL_CIPHER_get_version(found)) != "TLSv1.3") {
                cipherList_ +=
                    (cipherList_.empty() ? "" : ":") + std::string(SSL_CIPHER_get_name(found));
            }
        }
        for (const std::string& group : config.curves) {
            groups_ += (groups_.empty() ? "" : ":") + group;
        }
    } catch (...) {
        Release();
        throw;
    }
}

TlsSettings::~TlsSettings() {
    Release();
}

void TlsSettings::Release() {
    X509_free(certificate_);
    certificate_ = nullptr;
    sk_X509_pop_free(chain_, X509_free);
    chain_ = nullptr;
    EVP_PKEY_free(key_);
    key_ = nullptr;
    X509_STORE_free(clientCas_);
    clientCas_ = nullptr;
    sk_X509_NAME_pop_free(clientCaNames_, X509_NAME_free);
    clientCaNames_ = nullptr;
}

bool TlsSettings::Apply(SSL* ssl) const {
    if (SSL_use_cert_and_key(ssl, certificate_, key_, chain_, 1) != 1 ||
        SSL_set_min_proto_version(ssl, minVersion_) != 1 ||
        SSL_set_max_proto_version(ssl, maxVersion_) != 1) {
        return false;
    }
    if (!cipherList_.empty() && SSL_set_cipher_list(ssl, cipherList_.c_str()) != 1) {
        return false;
    }
    if (!groups_.empty() && SSL_set1_groups_list(ssl, groups_.c_str()) != 1) {
        return false;
    }
    if (preferServerCiphers_) {
        SSL_set_options(ssl, SSL_OP_CIPHER_SERVER_PREFERENCE);
    } else {
        SSL_clear_options(ssl, SSL_OP_CIPHER_SERVER_PREFERENCE);
    }
    if (clientCas_ != nullptr) {
        if (SSL_set1_verify_cert_store(ssl, clientCas_) != 1) {
            return false;
        }
        SSL_set_client_CA_list(ssl, SSL_dup_CA_list(clientCaNames_));
    }
    SSL_set_verify(ssl, verifyMode_, verifyMode_ == SSL_VERIFY_NONE ? nullptr : VerifyClient);
    return true;
}

bool TlsSettings::Verified(bool opensslVerified, X509_STORE_CTX* store) const {
    if (checkChain_ && !opensslVerified) {
        return false;
    }
    if (X509_STORE_CTX_get_error_depth(store) != 0 || allowedSans_.empty()) {
        return true;
    }
    for (const std::string& name : AlternativeNames(X509_STORE_CTX_get_current_cert(store))) {
        for (const std::string& allowed : allowedSans_) {
            if (name == allowed) {
                return true;
            }
        }
    }
    return false;
}

bool PrepareServerContext(SSL_CTX& context, const TlsSettingsSource* source) {
    SSL_CTX_set_client_hello_cb(&context, OnClientHello, const_cast<TlsSettingsSource*>(source));
    // Connections are served once each; resumption would skip the ClientHello's check.
    SSL_CTX_set_session_cache_mode(&context, SSL_SESS_CACHE_OFF);
    SSL_CTX_set_num_tickets(&context, 0);
    SSL_CTX_set_options(&context, SSL_OP_NO_TICKET | SSL_OP_NO_RENEGOTIATION);
    return true;
}

}  // namespace VekExporter
