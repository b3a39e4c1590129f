#pragma once

#include <optional>
#include <string>

#include "plugin/PluginOptions.h"

namespace VekPlugin {

// The secrets of one check, read from the files and the environment the options
// name. Both texts are overwritten when the object is destroyed.
struct Credentials {
    Credentials() = default;
    Credentials(const Credentials&) = delete;
    Credentials& operator=(const Credentials&) = delete;
    Credentials(Credentials&&) = default;
    Credentials& operator=(Credentials&&) = default;
    ~Credentials();

    // The password, or with a private key its passphrase.
    std::optional<std::string> password;
    // The private key file's text.
    std::optional<std::string> privateKey;
};

// Reads --password-file, else `environmentPassword` (VEK_PASSWORD, may be null);
// with -i the key file and --passphrase-file instead. A file's first line is its
// secret (the line feed is not part of it). Throws XPluginUsageError when a file
// cannot be read or no secret is given at all.
Credentials ReadCredentials(const PluginOptions& options, const char* environmentPassword);

// The probe's JSON input document as one line with its line feed.
std::string BuildProbeInput(const PluginOptions& options, const Credentials& credentials);

// The probe's byte limit for the captured output that check_vek asks for.
inline constexpr long long kCaptureLimitBytes = 1048576;

// Overwrites the characters of `text`, then empties it.
void Wipe(std::string& text);

}  // namespace VekPlugin
