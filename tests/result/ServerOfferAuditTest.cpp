#include <gtest/gtest.h>

#include "result/ServerOfferAudit.h"

// Kinds, and Terrapin's CBC with EtM, which the servers of ServerAuditTest do not offer.
TEST(ServerOfferAuditTest, NoneIsWeakAsCipherOrMacAndCbcWithEtmCountsPerDirection) {
    const Ssh::ServerAlgorithmOffer offers[] = {
        {{"", "", "rijndael-cbc@lysator.liu.se,none", "arcfour", "hmac-sha2-256-etm@openssh.com",
          "none", "none", "none"}},
        {{"", "", "aes128-cbc", "", "", "hmac-sha2-256-etm@openssh.com", "", ""}},
    };
    EXPECT_EQ(Ssh::AuditServerOffer(offers[0]).weakAlgorithms, "none,arcfour");
    EXPECT_TRUE(Ssh::AuditServerOffer(offers[0]).terrapinVulnerable);
    EXPECT_FALSE(Ssh::AuditServerOffer(offers[1]).terrapinVulnerable);
}
