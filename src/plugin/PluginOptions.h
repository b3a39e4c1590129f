#pragma once

#include <array>
#include <optional>
#include <string>

#include "plugin/PluginStateEnum.h"
#include "plugin/ProbeStages.h"
#include "plugin/ThresholdRange.h"

namespace VekPlugin {

inline constexpr int kDefaultTimeoutSeconds = 10;

// What the command line of check_vek asked for. Secrets are not here: only the
// names of the files that hold them.
struct PluginOptions {
    bool showHelp = false;
    bool showVersion = false;

    std::string hostname;
    unsigned port = 22;
    std::string logname;
    std::string passwordFile;
    std::string identityFile;
    std::string passphraseFile;
    // The fingerprints as given, comma-separated.
    std::string hostKeys;

    std::optional<std::string> command;
    int timeoutSeconds = kDefaultTimeoutSeconds;
    bool ipv6 = false;

    std::optional<ThresholdRange> warning;
    std::optional<ThresholdRange> critical;
    std::array<std::optional<ThresholdRange>, kStageCount> stageWarning;
    std::array<std::optional<ThresholdRange>, kStageCount> stageCritical;
    int expectExit = 0;
    std::optional<std::string> remoteVersion;
    std::optional<std::string> expect;
    PluginStateEnum timeoutState = PluginStateEnum::Critical;

    // Empty: "vek" in the folder of check_vek itself.
    std::string probePath;
};

}  // namespace VekPlugin
