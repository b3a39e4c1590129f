#include "result/WeakAlgorithmPolicy.h"

namespace Ssh {

namespace {

// The sources, each named once so that the rules citing the same words say them alike.
constexpr char kRfc9142ShouldNot[] = "RFC 9142 section 4: SHOULD NOT";
constexpr char kRfc9142MustNot[] = "RFC 9142 section 4: MUST NOT";
constexpr char kRfc8758[] = "RFC 8758: RC4 MUST NOT be used";
constexpr char kRfc4253NoCipher[] = "RFC 4253 section 6.3: no encryption, NOT RECOMMENDED";
constexpr char kRfc4253NoMac[] = "RFC 4253 section 6.4: no MAC, NOT RECOMMENDED";
constexpr char kSweet32[] =
    "64-bit block cipher: Sweet32 (Bhargavan, Leurent, ACM CCS 2016; CVE-2016-2183)";
constexpr char kSweet32OpenSsh74[] =
    "64-bit block cipher: Sweet32 (Bhargavan, Leurent, ACM CCS 2016; CVE-2016-2183); "
    "OpenSSH 7.4 removed 3des-cbc from ssh's default offer";
constexpr char kSweet32OpenSsh72[] =
    "64-bit block cipher: Sweet32 (Bhargavan, Leurent, ACM CCS 2016; CVE-2016-2183); "
    "OpenSSH 7.2 disabled blowfish-cbc and cast128-cbc in ssh by default";
constexpr char kMd5[] =
    "MD5: RFC 6151 (no HMAC-MD5 in new protocol designs); OpenSSH 7.2 disabled MD5-based "
    "HMACs in ssh by default";
constexpr char kTruncatedMd5[] =
    "MD5 and a 96-bit tag: RFC 6151; OpenSSH 7.2 disabled MD5-based and truncated HMACs in "
    "ssh by default";
constexpr char kTruncated[] = "96-bit tag: OpenSSH 7.2 disabled truncated HMACs in ssh by default";
constexpr char kDss[] =
    "RFC 8332 section 1: 1024-bit DSA with SHA-1 is deficient; OpenSSH 7.0 disabled ssh-dss "
    "by default";
constexpr char kRsaSha1[] =
    "RFC 8332 section 1: RSA with SHA-1 is deficient; OpenSSH 8.8 disabled SHA-1 RSA "
    "signatures by default";

}  // namespace

const std::vector<WeakAlgorithmRule>& WeakAlgorithmRules() {
    using Kind = AlgorithmKindEnum;
    static const std::vector<WeakAlgorithmRule> rules = {
        {Kind::Kex, "diffie-hellman-group1-sha1", kRfc9142ShouldNot},
        {Kind::Kex, "diffie-hellman-group-exchange-sha1", kRfc9142ShouldNot},
        {Kind::Kex, "gss-gex-sha1-*", kRfc9142ShouldNot},
        {Kind::Kex, "gss-group1-sha1-*", kRfc9142ShouldNot},
        {Kind::Kex, "gss-group14-sha1-*", kRfc9142ShouldNot},
        {Kind::Kex, "rsa1024-sha1", kRfc9142MustNot},
        {Kind::HostKey, "ssh-dss", kDss},
        {Kind::HostKey, "ssh-dss-cert-v01@openssh.com", kDss},
        {Kind::HostKey, "ssh-rsa", kRsaSha1},
        {Kind::HostKey, "ssh-rsa-cert-v01@openssh.com", kRsaSha1},
        {Kind::Cipher, "none", kRfc4253NoCipher},
        {Kind::Cipher, "arcfour", kRfc8758},
        {Kind::Cipher, "arcfour128", kRfc8758},
        {Kind::Cipher, "arcfour256", kRfc8758},
        {Kind::Cipher, "des-cbc", kSweet32},
        {Kind::Cipher, "3des-cbc", kSweet32OpenSsh74},
        {Kind::Cipher, "3des-ctr", kSweet32},
        {Kind::Cipher, "blowfish-cbc", kSweet32OpenSsh72},
        {Kind::Cipher, "blowfish-ctr", kSweet32},
        {Kind::Cipher, "cast128-cbc", kSweet32OpenSsh72},
        {Kind::Cipher, "cast128-ctr", kSweet32},
        {Kind::Cipher, "idea-cbc", kSweet32},
        {Kind::Cipher, "idea-ctr", kSweet32},
        {Kind::Mac, "none", kRfc4253NoMac},
        {Kind::Mac, "hmac-md5", kMd5},
        {Kind::Mac, "hmac-md5-etm@openssh.com", kMd5},
        {Kind::Mac, "hmac-md5-96", kTruncatedMd5},
        {Kind::Mac, "hmac-md5-96-etm@openssh.com", kTruncatedMd5},
        {Kind::Mac, "hmac-sha1-96", kTruncated},
        {Kind::Mac, "hmac-sha1-96-etm@openssh.com", kTruncated},
    };
    return rules;
}

const WeakAlgorithmRule* FindWeakAlgorithmRule(AlgorithmKindEnum kind, std::string_view name) {
    for (const WeakAlgorithmRule& rule : WeakAlgorithmRules()) {
        if (rule.kind != kind) {
            continue;
        }
        const std::string_view pattern = rule.name;
        const bool prefix = !pattern.empty() && pattern.back() == '*';
        if (prefix ? name.substr(0, pattern.size() - 1) == pattern.substr(0, pattern.size() - 1)
                   : name == pattern) {
            return &rule;
        }
    }
    return nullptr;
}

}  // namespace Ssh
