#include <gtest/gtest.h>

#include "result/ServerOfferAudit.h"

// A prefix rule, kinds, and Terrapin's CBC with EtM: what the servers of
// ServerAuditTest do not offer.
TEST(ServerOfferAuditTest, NoneIsWeakAsCipherOrMacAndCbcWithEtmCountsPerDirection) {
    const Ssh::ServerAlgorithmOffer offers[] = {
        {{"gss-gex-sha1-toWM5", "", "rijndael-cbc@lysator.liu.se,none", "arcfour",
          "hmac-sha2-256-etm@openssh.com", "none", "none", "none"}},
        {{"", "", "aes128-cbc", "", "", "hmac-sha2-256-etm@openssh.com", "", ""}},
    };
    EXPECT_EQ(Ssh::AuditServerOffer(offers[0]).weakAlgorithms, "gss-gex-sha1-toWM5,none,arcfour");
    EXPECT_TRUE(Ssh::AuditServerOffer(offers[0]).terrapinVulnerable);
    EXPECT_FALSE(Ssh::AuditServerOffer(offers[1]).terrapinVulnerable);
}
