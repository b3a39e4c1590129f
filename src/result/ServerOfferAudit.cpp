#include "result/ServerOfferAudit.h"

#include <string_view>
#include <unordered_set>

#include "result/WeakAlgorithmPolicy.h"

namespace Ssh {

namespace {

constexpr std::string_view kStrictKexServer = "kex-strict-s-v00@openssh.com";
constexpr std::string_view kChaCha20Poly1305 = "chacha20-poly1305@openssh.com";
constexpr std::string_view kEtmSuffix = "-etm@openssh.com";
// "aes128-cbc", and with a domain as in "rijndael-cbc@lysator.liu.se".
constexpr std::string_view kCbcSuffix = "-cbc";
constexpr std::string_view kCbcInfix = "-cbc@";

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

template <typename Test>
bool AnyName(std::string_view list, Test&& test) {
    bool found = false;
    ForEachName(list, [&](std::string_view name) { found = found || test(name); });
    return found;
}

bool IsCbc(std::string_view name) {
    return EndsWith(name, kCbcSuffix) || name.find(kCbcInfix) != std::string_view::npos;
}

bool IsEtm(std::string_view name) {
    return EndsWith(name, kEtmSuffix);
}

}  // namespace

ServerOfferAudit AuditServerOffer(const ServerAlgorithmOffer& offer) {
    ServerOfferAudit audit;
    std::unordered_set<std::string_view> flagged;
    for (std::size_t index = 0; index < kServerOfferListCount; ++index) {
        const AlgorithmKindEnum kind = ServerOfferLists()[index].kind;
        ForEachName(offer.lists[index], [&](std::string_view name) {
            if (FindWeakAlgorithmRule(kind, name) != nullptr && flagged.insert(name).second) {
                audit.weakAlgorithms += (audit.weakAlgorithms.empty() ? "" : ",");
                audit.weakAlgorithms += name;
            }
        });
    }

    const std::string& kex = offer.lists[0];
    audit.strictKex = AnyName(kex, [](std::string_view name) { return name == kStrictKexServer; });
    bool exposed = false;
    // Cipher and MAC of one direction: lists 2 and 4 client to server, 3 and 5 back.
    for (std::size_t direction = 0; direction < 2; ++direction) {
        const std::string& ciphers = offer.lists[2 + direction];
        const std::string& macs = offer.lists[4 + direction];
        exposed =
            exposed ||
            AnyName(ciphers, [](std::string_view name) { return name == kChaCha20Poly1305; }) ||
            (AnyName(ciphers, IsCbc) && AnyName(macs, IsEtm));
    }
    audit.terrapinVulnerable = exposed && !audit.strictKex;
    return audit;
}

}  // namespace Ssh
