#include <gtest/gtest.h>

#include "result/ServerOfferAudit.h"

namespace Ssh {
namespace {

// The eight lists in KEXINIT order, separated by '|'.
ServerAlgorithmOffer Offer(const std::string& lists) {
    ServerAlgorithmOffer offer;
    std::size_t index = 0;
    for (std::size_t begin = 0; index < kServerOfferListCount; ++index) {
        const std::size_t end = std::min(lists.find('|', begin), lists.size());
        offer.lists[index] = lists.substr(std::min(begin, lists.size()), end - begin);
        begin = end + 1;
    }
    return offer;
}

TEST(ServerOfferAuditTest, FlagsByKindInTheServersOrderAndJudgesTerrapin) {
    const struct {
        const char* lists;
        std::string weak;
        bool strictKex;
        bool terrapin;
    } rows[] = {
        {"curve25519-sha256,kex-strict-s-v00@openssh.com|ssh-ed25519|aes128-ctr||||none|none", "",
         true, false},
        // Each name once, in the server's order; "none" is weak as a cipher or a MAC only.
        {"diffie-hellman-group1-sha1,diffie-hellman-group14-sha1|rsa-sha2-256,ssh-rsa|3des-cbc,,"
         "aes128-ctr|arcfour,3des-cbc|none,hmac-md5-96x|none|none|",
         "diffie-hellman-group1-sha1,ssh-rsa,3des-cbc,arcfour,none", false, false},
        {"gss-group14-sha1-toWM5Slw5Ew8Mqkay+al2g==,gss-group14-sha256-toWM5|||||||",
         "gss-group14-sha1-toWM5Slw5Ew8Mqkay+al2g==", false, false},
        {"curve25519-sha256||aes128-ctr|chacha20-poly1305@openssh.com||||", "", false, true},
        {"kex-strict-s-v00@openssh.com||chacha20-poly1305@openssh.com|||||", "", true, false},
        {"||rijndael-cbc@lysator.liu.se||hmac-sha2-256-etm@openssh.com|||", "", false, true},
        // CBC one way, encrypt-then-MAC only the other way.
        {"||aes128-cbc|aes128-ctr|hmac-sha2-256|hmac-sha2-256-etm@openssh.com||", "", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.lists);
        const ServerOfferAudit audit = AuditServerOffer(Offer(row.lists));
        EXPECT_EQ(audit.weakAlgorithms, row.weak);
        EXPECT_EQ(audit.strictKex, row.strictKex);
        EXPECT_EQ(audit.terrapinVulnerable, row.terrapin);
    }
}

}  // namespace
}  // namespace Ssh
