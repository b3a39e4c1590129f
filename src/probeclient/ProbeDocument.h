#pragma once

#include <array>
#include <optional>
#include <string>

#include "probeclient/ProbeStages.h"
#include "result/ServerAlgorithmOffer.h"

namespace VekProbeClient {

// The algorithms the key exchange settled on: "kex", "host_key", "cipher_cs",
// "cipher_sc", "mac_cs", "mac_sc" (cs is client to server, sc server to client).
inline constexpr std::size_t kAlgorithmCount = 6;
const std::array<ProbeField, kAlgorithmCount>& ProbeAlgorithms();

// What the programs that run the probe read from one of its result documents. A
// member is empty when the document does not hold its key.
struct ProbeDocument {
    std::string hostName;
    std::optional<long long> port;
    // Each stage's duration in milliseconds, in the order of ProbeStages().
    std::array<std::optional<long long>, kStageCount> stageMilliseconds;
    std::optional<std::string> errorCode;
    std::optional<std::string> errorDetails;
    std::optional<long long> returnCode;
    // 0 when the document has a return code but no size: the probe leaves the size
    // out when it read the output to its end and there was none.
    std::optional<long long> outputBytes;
    std::optional<std::string> output;
    std::optional<std::string> hostFingerprintHex;
    std::optional<std::string> serverIdentification;
    // In the order of ProbeAlgorithms().
    std::array<std::optional<std::string>, kAlgorithmCount> algorithms;
    // The server's KEXINIT name-lists in the order of Ssh::ServerOfferLists(), and
    // the verdicts on them; all empty when its KEXINIT never arrived.
    std::array<std::optional<std::string>, Ssh::kServerOfferListCount> serverAlgorithms;
    std::optional<std::string> weakAlgorithms;
    std::optional<bool> strictKex;
    std::optional<bool> terrapinVulnerable;

    // The sum of the stages that ran: they are contiguous, so this is the test's time.
    long long TotalMilliseconds() const;
};

// Reads the probe's standard output. Throws std::runtime_error saying what is
// wrong when it is not one result document: not JSON, a level of the document
// missing, or a known key with a value of the wrong type.
ProbeDocument ParseProbeDocument(const std::string& standardOutput);

}  // namespace VekProbeClient
