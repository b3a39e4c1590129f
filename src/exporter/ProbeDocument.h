#pragma once

#include <map>
#include <optional>
#include <string>

namespace VekExporter {

// What the exporter takes from one result document of the probe. A member is
// empty when the document does not hold its key.
struct ProbeDocument {
    std::optional<std::string> errorCode;
    // Stage name as in the metric's label ("dns", "connect", ...) to milliseconds,
    // for the stages present.
    std::map<std::string, double> stageMilliseconds;
    std::optional<double> exitCode;
    std::optional<double> outputBytes;
    std::optional<std::string> output;
    std::optional<std::string> hostKeyFingerprint;
    std::optional<std::string> serverIdentification;
    // Label name ("kex", "cipher_cs", ...) to algorithm, for those present.
    std::map<std::string, std::string> algorithms;
};

// Reads the probe's standard output. Empty when it is not one JSON document of
// the probe's shape; the exporter then reports the probe as failed.
std::optional<ProbeDocument> ParseProbeDocument(const std::string& standardOutput);

}  // namespace VekExporter
