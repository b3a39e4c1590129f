#pragma once

#include <string>

#include "result/ServerAlgorithmOffer.h"

namespace Ssh {

// The verdicts on a server's offer.
struct ServerOfferAudit {
    // The offered names that WeakAlgorithmRules() flags as their list's kind, each
    // once, in the order the server offered them (its lists in KEXINIT order),
    // separated by commas; empty when none is flagged.
    std::string weakAlgorithms;
    // The server offers strict key exchange ("kex-strict-s-v00@openssh.com").
    bool strictKex = false;
    // Open to the Terrapin prefix truncation (Baeumer, Brinkmann, Schwenk 2023,
    // CVE-2023-48795): the server offers chacha20-poly1305@openssh.com, or in one
    // direction a CBC cipher together with an encrypt-then-MAC ("-etm@openssh.com")
    // MAC, and does not offer strict key exchange.
    bool terrapinVulnerable = false;
};

ServerOfferAudit AuditServerOffer(const ServerAlgorithmOffer& offer);

}  // namespace Ssh
