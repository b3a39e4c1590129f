#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "crypto/HostKeyFingerprint.h"
#include "plugin/PluginStateEnum.h"
#include "plugin/ThresholdRange.h"
#include "probeclient/OutputPattern.h"
#include "probeclient/ProbeStages.h"

namespace VekPlugin {

inline constexpr int kDefaultTimeoutSeconds = 10;

// What the command line of check_vek asked for. Secrets are not here: only the
// names of the files that hold them.
struct PluginOptions {
    bool showHelp = false;
    bool showVersion = false;

    std::string hostname;
    unsigned port = 22;
    // Empty: the check runs the handshake only and needs no credentials.
    std::string logname;
    std::string passwordFile;
    std::string identityFile;
    std::string passphraseFile;
    // The accepted host keys; empty accepts any.
    std::vector<VekLibrary::Crypto::HostKeyFingerprint> hostKeys;
    // An OpenSSH known_hosts file; empty: none.
    std::string knownHostsFile;

    std::optional<std::string> command;
    int timeoutSeconds = kDefaultTimeoutSeconds;
    // Any address family, IPv6 first (the probe's -6); -4 restricts to IPv4.
    bool ipv6 = true;

    std::optional<ThresholdRange> warning;
    std::optional<ThresholdRange> critical;
    // Per stage, in the order of VekProbeClient::ProbeStages().
    std::array<std::optional<ThresholdRange>, VekProbeClient::kStageCount> stageWarning;
    std::array<std::optional<ThresholdRange>, VekProbeClient::kStageCount> stageCritical;
    // Empty: 0, and not given.
    std::optional<int> expectExit;
    // -r: the software version the server must announce, exactly; -P: its protocol
    // version.
    std::optional<std::string> remoteVersion;
    std::optional<std::string> remoteProtocol;
    // -e as given and compiled.
    std::optional<std::string> expect;
    std::shared_ptr<const VekProbeClient::OutputPattern> expectPattern;
    PluginStateEnum timeoutState = PluginStateEnum::Critical;
    // The states of a server that offers weak algorithms or is open to Terrapin;
    // OK ignores it, as check_ssh does.
    PluginStateEnum weakAlgorithmsState = PluginStateEnum::Ok;
    PluginStateEnum terrapinState = PluginStateEnum::Ok;

    // Empty: "vek" in the folder of check_vek itself.
    std::string probePath;
};

}  // namespace VekPlugin
