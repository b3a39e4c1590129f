#pragma once

#include <string>
#include <vector>

namespace VekPlugin {

// The SHA-256 host key fingerprints of --host-key, comma-separated, each either as
// ssh-keygen -l prints it ("SHA256:" and unpadded Base64) or as 64 hex digits
// (colons between the byte pairs allowed). Returns them as 64 lower-case hex
// digits, the form of the result document's host-fingerprint. Throws
// XPluginUsageError naming the first entry it cannot read.
std::vector<std::string> ParseHostKeyFingerprints(const std::string& list);

}  // namespace VekPlugin
