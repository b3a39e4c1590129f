#include "result/ServerAlgorithmOffer.h"

#include "result/SshTestResultKeys.h"

namespace Ssh {

const std::array<ServerOfferList, kServerOfferListCount>& ServerOfferLists() {
    using Kind = AlgorithmKindEnum;
    namespace Keys = SshTestResultKeys;
    static const std::array<ServerOfferList, kServerOfferListCount> lists = {{
        {&Keys::ServerAlgorithmsKex, Kind::Kex},
        {&Keys::ServerAlgorithmsHostKey, Kind::HostKey},
        {&Keys::ServerAlgorithmsCipherClientToServer, Kind::Cipher},
        {&Keys::ServerAlgorithmsCipherServerToClient, Kind::Cipher},
        {&Keys::ServerAlgorithmsMacClientToServer, Kind::Mac},
        {&Keys::ServerAlgorithmsMacServerToClient, Kind::Mac},
        {&Keys::ServerAlgorithmsCompressionClientToServer, Kind::Compression},
        {&Keys::ServerAlgorithmsCompressionServerToClient, Kind::Compression},
    }};
    return lists;
}

const char* AlgorithmKindName(AlgorithmKindEnum kind) {
    switch (kind) {
        case AlgorithmKindEnum::Kex:
            return "kex";
        case AlgorithmKindEnum::HostKey:
            return "host_key";
        case AlgorithmKindEnum::Cipher:
            return "cipher";
        case AlgorithmKindEnum::Mac:
            return "mac";
        case AlgorithmKindEnum::Compression:
            return "compression";
    }
    return "";
}

}  // namespace Ssh
