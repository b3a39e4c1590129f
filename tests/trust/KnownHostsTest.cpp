// The known_hosts format of sshd(8) (SSH_KNOWN_HOSTS FILE FORMAT) and its example's lines.

#include "trust/KnownHosts.h"

#include <gtest/gtest.h>

#include "crypto/Base64Codec.h"

namespace {

using Standing = VekLibrary::Trust::HostKeyStandingEnum;

std::string Base64(const std::string& bytes) {
    std::string text;
    VekLibrary::Crypto::Base64Codec::Encode(bytes, text);
    return text;
}

// An Ed25519 key blob as a server sends it; `fill` tells keys apart.
std::string Key(char fill) {
    return std::string("\0\0\0\x0bssh-ed25519\0\0\0\x20", 19) + std::string(32, fill);
}

std::string Line(const std::string& names, char key) {
    return names + " ssh-ed25519 " + Base64(Key(key)) + " comment\n";
}

TEST(KnownHostsTest, StandingOfAKeyUnderANameAndTheLinesThatGiveIt) {
    const std::string revoked = Line("@revoked *", 'R');
    // "|1|<salt>|<HMAC-SHA1 of [hashed.example]:2222>", as ssh-keygen -H writes it.
    const std::string hashed =
        Line("|1|enp6enp6enp6enp6enp6enp6eno=|5CzX57TTCNYGmCieIASzTsUDxho=", 'B');
    const std::string wild = Line("*.w.example,!bad.w.example,h?.example", 'A');
    const VekLibrary::Trust::KnownHosts knownHosts(
        "# Comments allowed at start of line\n" + Line("cvs.example.net,192.0.2.10", 'A') + hashed +
        revoked + Line("@cert-authority *.mydomain.org,*.mydomain.com", 'C') + "\n \t# note\n" +
        Line("CVS.Example.NET", 'B') + wild +
        // Unreadable: no key, a key not in Base64 or not of its type, an unknown
        // marker, a hash of another kind or not of 20 bytes.
        "a.example ssh-ed25519\na.example ssh-ed25519 !!!\na.example ssh-rsa " + Base64(Key('A')) +
        "\n" + Line("@trusted a.example", 'A') +
        Line("|2|enp6enp6enp6enp6enp6enp6eno=|5CzX57TTCNYGmCieIASzTsUDxho=", 'A') +
        Line("|1|AAAA|AAAA", 'A'));
    const struct {
        std::string name;
        char key;
        Standing standing;
    } cases[] = {
        {"cvs.example.net", 'B', Standing::Listed},  // names ignore case
        {"192.0.2.10", 'B', Standing::Unlisted},
        {"[hashed.example]:2222", 'A', Standing::Unlisted},
        {"hashed.example", 'B', Standing::Unknown},
        {"bad.w.example", 'A', Standing::Unknown},
        {"other.example", 'R', Standing::Revoked},
        {"a.mydomain.org", 'C', Standing::Unknown},
        {"a.example", 'A', Standing::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(knownHosts.Check(c.name, Key(c.key)), c.standing) << c.name << " " << c.key;
    }
    EXPECT_EQ(knownHosts.Entries(), 5u);
    EXPECT_EQ(knownHosts.CertificateAuthorityLines(), 1u);
    EXPECT_EQ(knownHosts.UnreadableLines(), 6u);
    // What a name's lines say of any key is what the whole text says.
    EXPECT_EQ(knownHosts.LinesFor("x.w.example"), revoked + wild);
    EXPECT_EQ(knownHosts.LinesFor("[hashed.example]:2222"), hashed + revoked);
    EXPECT_EQ(knownHosts.LinesFor("bad.w.example"), revoked);
}

}  // namespace
