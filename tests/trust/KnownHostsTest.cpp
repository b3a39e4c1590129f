// The known_hosts format as sshd(8) describes it, section SSH_KNOWN_HOSTS FILE
// FORMAT, with its example file's kinds of lines.

#include "trust/KnownHosts.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <string>

#include <gtest/gtest.h>

#include "crypto/Base64Codec.h"

namespace {

using VekLibrary::Trust::HostKeyStandingEnum;
using VekLibrary::Trust::KnownHosts;

// An Ed25519 key blob as a server sends it; `fill` tells keys apart.
std::string Key(char fill) {
    return std::string("\0\0\0\x0bssh-ed25519\0\0\0\x20", 19) + std::string(32, fill);
}

std::string Base64(const std::string& bytes) {
    std::string text;
    VekLibrary::Crypto::Base64Codec::Encode(bytes, text);
    return text;
}

std::string Line(const std::string& names, char key) {
    return names + " ssh-ed25519 " + Base64(Key(key)) + " a comment\n";
}

// "|1|salt|HMAC-SHA1(salt, name)", as ssh-keygen -H writes it.
std::string Hashed(const std::string& name) {
    const std::string salt(20, '\x5a');
    unsigned char hash[20];
    unsigned int length = sizeof hash;
    HMAC(EVP_sha1(), salt.data(), static_cast<int>(salt.size()),
         reinterpret_cast<const unsigned char*>(name.data()), name.size(), hash, &length);
    return "|1|" + Base64(salt) + "|" + Base64(std::string(reinterpret_cast<char*>(hash), length));
}

const std::string kText =
    "# Comments allowed at start of line\n" + Line("cvs.example.net,192.0.2.10", 'A') +
    "# A hashed hostname\n" + Line(Hashed("hashed.example"), 'A') +
    Line(Hashed("[hashed.example]:2222"), 'B') + "# A revoked key\n" + Line("@revoked *", 'R') +
    Line("stolen.example", 'R') + "# A CA key, skipped\n" +
    Line("@cert-authority *.mydomain.org,*.mydomain.com", 'C') + "\n   \t\n" +
    Line("[CVS.Example.NET]:2222", 'B') + Line("*.wild.example,!bad.wild.example", 'A') +
    Line("h?.example", 'A') + "\t# indented comment\n" + Line("Cvs.Example.NET", 'B') +
    // Unreadable: a missing key, a key not in Base64, a key of another type, an
    // unknown marker, an unknown hash and a hash that is not 20 bytes.
    "lonely.example ssh-ed25519\n" + "bad.example ssh-ed25519 !!!\n" + "bad.example ssh-rsa " +
    Base64(Key('A')) + "\n" + Line("@trusted bad.example", 'A') +
    Line("|2|" + Hashed("bad.example").substr(3), 'A') + Line("|1|AAAA|AAAA", 'A');

TEST(KnownHostsTest, StandingOfAKeyUnderAName) {
    const KnownHosts knownHosts(kText);
    const struct {
        std::string name;
        char key;
        HostKeyStandingEnum standing;
    } cases[] = {
        {"cvs.example.net", 'A', HostKeyStandingEnum::Listed},
        {"cvs.example.net", 'B', HostKeyStandingEnum::Listed},
        {"cvs.example.net", 'C', HostKeyStandingEnum::Unlisted},
        {"192.0.2.10", 'A', HostKeyStandingEnum::Listed},
        {"192.0.2.10", 'B', HostKeyStandingEnum::Unlisted},
        {"[cvs.example.net]:2222", 'B', HostKeyStandingEnum::Listed},
        {"[cvs.example.net]:2222", 'A', HostKeyStandingEnum::Unlisted},
        {"[cvs.example.net]:2200", 'A', HostKeyStandingEnum::Unknown},
        {"hashed.example", 'A', HostKeyStandingEnum::Listed},
        {"hashed.example", 'B', HostKeyStandingEnum::Unlisted},
        {"[hashed.example]:2222", 'B', HostKeyStandingEnum::Listed},
        {"[hashed.example]:2222", 'A', HostKeyStandingEnum::Unlisted},
        {"other.example", 'A', HostKeyStandingEnum::Unknown},
        {"x.wild.example", 'A', HostKeyStandingEnum::Listed},
        {"x.y.wild.example", 'B', HostKeyStandingEnum::Unlisted},
        {"bad.wild.example", 'A', HostKeyStandingEnum::Unknown},
        {"wild.example", 'A', HostKeyStandingEnum::Unknown},
        {"h1.example", 'A', HostKeyStandingEnum::Listed},
        {"h12.example", 'A', HostKeyStandingEnum::Unknown},
        {"stolen.example", 'R', HostKeyStandingEnum::Revoked},
        {"other.example", 'R', HostKeyStandingEnum::Revoked},
        {"a.mydomain.org", 'C', HostKeyStandingEnum::Unknown},
        {"bad.example", 'A', HostKeyStandingEnum::Unknown},
        {"lonely.example", 'A', HostKeyStandingEnum::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(knownHosts.Check(c.name, Key(c.key)), c.standing) << c.name << " " << c.key;
    }
    EXPECT_EQ(knownHosts.Entries(), 9u);
    EXPECT_EQ(knownHosts.CertificateAuthorityLines(), 1u);
    EXPECT_EQ(knownHosts.UnreadableLines(), 6u);
}

// A text of the lines for a name gives every key the standing the whole text gives.
TEST(KnownHostsTest, LinesForANameAreThoseThatNameItAndTheRevokedOnes) {
    const KnownHosts knownHosts(kText);
    const std::string revoked = Line("@revoked *", 'R');
    EXPECT_EQ(knownHosts.LinesFor("x.wild.example"),
              revoked + Line("*.wild.example,!bad.wild.example", 'A'));
    EXPECT_EQ(knownHosts.LinesFor("[hashed.example]:2222"),
              Line(Hashed("[hashed.example]:2222"), 'B') + revoked);
    EXPECT_EQ(knownHosts.LinesFor("bad.wild.example"), revoked);
    EXPECT_EQ(KnownHosts("").LinesFor("any"), "");
    EXPECT_EQ(KnownHosts::LookupName("Host.Example", 22), "host.example");
    EXPECT_EQ(KnownHosts::LookupName("::1", 2222), "[::1]:2222");
}

}  // namespace
