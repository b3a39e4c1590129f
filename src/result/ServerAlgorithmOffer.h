#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace Ssh {

// What a name-list of a KEXINIT message names.
enum class AlgorithmKindEnum { Kex, HostKey, Cipher, Mac, Compression };

inline constexpr std::size_t kServerOfferListCount = 8;

// The name-lists of the server's KEXINIT in the message's order: key exchange, host
// key, then cipher, MAC and compression, each client to server before server to
// client. Each is the text as received, names separated by commas. The SSH client
// records them as soon as the server's KEXINIT arrives, so they are there even when
// the key exchange then fails.
struct ServerAlgorithmOffer {
    std::array<std::string, kServerOfferListCount> lists;
};

// One list of the offer: its key in the result document and the kind of its names.
struct ServerOfferList {
    const std::string* key;
    AlgorithmKindEnum kind;
};

// The lists in the order of ServerAlgorithmOffer::lists.
const std::array<ServerOfferList, kServerOfferListCount>& ServerOfferLists();

// "kex", "host_key", "cipher", "mac" or "compression": the exporter's label values.
const char* AlgorithmKindName(AlgorithmKindEnum kind);

// Calls `visit(name)` for each name of a comma-separated list, in order; empty names
// (",," or a trailing comma) are skipped.
template <typename Visit>
void ForEachName(std::string_view list, Visit&& visit) {
    std::size_t begin = 0;
    while (begin <= list.size()) {
        std::size_t end = list.find(',', begin);
        if (end == std::string_view::npos) {
            end = list.size();
        }
        if (end > begin) {
            visit(list.substr(begin, end - begin));
        }
        begin = end + 1;
    }
}

}  // namespace Ssh
