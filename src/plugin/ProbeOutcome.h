#pragma once

#include <array>
#include <optional>
#include <string>

#include "plugin/ProbeStages.h"

namespace VekPlugin {

// What check_vek reads from one result document of the probe. A member is empty
// when the document does not hold its key.
struct ProbeOutcome {
    std::string hostName;
    long long port = 0;
    // Each stage's duration in milliseconds, in the order of kProbeStages.
    std::array<std::optional<long long>, kStageCount> stageMilliseconds;
    std::optional<std::string> errorCode;
    std::optional<std::string> errorDetails;
    std::optional<std::string> serverIdentification;
    std::optional<std::string> hostFingerprintHex;
    std::optional<long long> returnCode;
    std::optional<long long> outputBytes;
    std::optional<std::string> output;

    // The sum of the stages that ran: they are contiguous, so this is the test's time.
    long long TotalMilliseconds() const;
};

// Reads the document; throws std::runtime_error saying what is wrong when it is
// not a result document.
ProbeOutcome ParseProbeDocument(const std::string& document);

}  // namespace VekPlugin
