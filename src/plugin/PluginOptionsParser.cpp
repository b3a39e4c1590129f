#include "plugin/PluginOptionsParser.h"

#include <getopt.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

#include "crypto/HostKeyFingerprint.h"
#include "plugin/XPluginUsageError.h"
#include "probeclient/OutputPattern.h"

namespace VekPlugin {

namespace {

// The largest budget the probe takes in seconds.
constexpr long kMaxTimeoutSeconds = 2147483;

enum LongOnly : int {
    kPasswordFile = 256,
    kPassphraseFile,
    kHostKey,
    kKnownHosts,
    kStageWarning,
    kStageCritical,
    kExpectExit,
    kTimeoutState,
    kProbe,
    kWeakAlgorithms,
    kTerrapin,
    kExtraOpts,
};

const char kShortOptions[] = ":H:p:l:i:C:t:46w:c:r:P:e:Vh";

const option kLongOptions[] = {
    {"hostname", required_argument, nullptr, 'H'},
    {"port", required_argument, nullptr, 'p'},
    {"logname", required_argument, nullptr, 'l'},
    {"password-file", required_argument, nullptr, kPasswordFile},
    {"identity-file", required_argument, nullptr, 'i'},
    {"passphrase-file", required_argument, nullptr, kPassphraseFile},
    {"host-key", required_argument, nullptr, kHostKey},
    {"known-hosts", required_argument, nullptr, kKnownHosts},
    {"command", required_argument, nullptr, 'C'},
    {"timeout", required_argument, nullptr, 't'},
    {"use-ipv4", no_argument, nullptr, '4'},
    {"use-ipv6", no_argument, nullptr, '6'},
    {"warning", required_argument, nullptr, 'w'},
    {"critical", required_argument, nullptr, 'c'},
    {"stage-warning", required_argument, nullptr, kStageWarning},
    {"stage-critical", required_argument, nullptr, kStageCritical},
    {"expect-exit", required_argument, nullptr, kExpectExit},
    {"remote-version", required_argument, nullptr, 'r'},
    {"remote-protocol", required_argument, nullptr, 'P'},
    {"expect", required_argument, nullptr, 'e'},
    {"timeout-state", required_argument, nullptr, kTimeoutState},
    {"weak-algorithms", required_argument, nullptr, kWeakAlgorithms},
    {"terrapin", required_argument, nullptr, kTerrapin},
    {"probe", required_argument, nullptr, kProbe},
    {"extra-opts", optional_argument, nullptr, kExtraOpts},
    {"version", no_argument, nullptr, 'V'},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

long ParseInteger(const std::string& text, long low, long high, const std::string& what) {
    errno = 0;
    char* end = nullptr;
    const long value = text.empty() ? 0 : std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < low || value > high) {
        throw XPluginUsageError("invalid " + what + " '" + text + "': give a whole number from " +
                                std::to_string(low) + " to " + std::to_string(high));
    }
    return value;
}

std::string NonEmpty(const char* value, const std::string& option) {
    if (value == nullptr || *value == '\0') {
        throw XPluginUsageError("empty value for " + option);
    }
    return value;
}

using VekProbeClient::kStageCount;

void SetStageThreshold(const std::string& text, const std::string& option,
                       std::array<std::optional<ThresholdRange>, kStageCount>& thresholds) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
        throw XPluginUsageError(option + " '" + text + "': give STAGE=RANGE");
    }
    const std::string stage = text.substr(0, equals);
    const std::size_t index = VekProbeClient::FindStage(stage);
    if (index == kStageCount) {
        throw XPluginUsageError(option + ": unknown stage '" + stage +
                                "' (stages: " + VekProbeClient::StageNameList() + ")");
    }
    thresholds[index] = ThresholdRange::Parse(text.substr(equals + 1));
}

std::vector<VekLibrary::Crypto::HostKeyFingerprint> ParseHostKeys(const std::string& list) {
    std::vector<VekLibrary::Crypto::HostKeyFingerprint> fingerprints;
    std::string refused;
    if (!VekLibrary::Crypto::HostKeyFingerprintText::ParseList(list, fingerprints, refused)) {
        throw XPluginUsageError("invalid host key fingerprint '" + refused +
                                "': give SHA256:<base64>, 64 hex digits or 32 colon-separated "
                                "hex pairs");
    }
    return fingerprints;
}

std::shared_ptr<const VekProbeClient::OutputPattern> CompileExpect(const std::string& pattern) {
    try {
        return std::make_shared<const VekProbeClient::OutputPattern>(
            pattern, VekProbeClient::OutputPattern::SyntaxEnum::Posix);
    } catch (const std::invalid_argument& error) {
        throw XPluginUsageError("invalid regular expression '" + pattern + "': " + error.what());
    }
}

std::string OptionName(int code, const std::string& fallback) {
    for (const option& entry : kLongOptions) {
        if (entry.name != nullptr && entry.val == code) {
            return code < 256 ? std::string("-") + static_cast<char>(code) + "/--" + entry.name
                              : std::string("--") + entry.name;
        }
    }
    return fallback;
}

void Apply(int code, const char* value, PluginOptions& options) {
    const std::string name = OptionName(code, "?");
    switch (code) {
        case 'H':
            options.hostname = NonEmpty(value, name);
            break;
        case 'p':
            options.port = static_cast<unsigned>(ParseInteger(value, 1, 65535, "port"));
            break;
        case 'l':
            options.logname = NonEmpty(value, name);
            break;
        case kPasswordFile:
            options.passwordFile = NonEmpty(value, name);
            break;
        case 'i':
            options.identityFile = NonEmpty(value, name);
            break;
        case kPassphraseFile:
            options.passphraseFile = NonEmpty(value, name);
            break;
        case kHostKey:
            options.hostKeys = ParseHostKeys(value);
            break;
        case kKnownHosts:
            options.knownHostsFile = NonEmpty(value, name);
            break;
        case 'C':
            options.command = NonEmpty(value, name);
            break;
        case 't': {
            // check_tcp's SECONDS:STATE sets --timeout-state too.
            const std::string text = value;
            const std::size_t colon = text.find(':');
            options.timeoutSeconds = static_cast<int>(
                ParseInteger(text.substr(0, colon), 1, kMaxTimeoutSeconds, "timeout"));
            if (colon != std::string::npos) {
                options.timeoutState = ParseState(text.substr(colon + 1));
            }
            break;
        }
        case '4':
            options.ipv6 = false;
            break;
        case '6':
            options.ipv6 = true;
            break;
        case 'w':
            options.warning = ThresholdRange::Parse(value);
            break;
        case 'c':
            options.critical = ThresholdRange::Parse(value);
            break;
        case kStageWarning:
            SetStageThreshold(value, name, options.stageWarning);
            break;
        case kStageCritical:
            SetStageThreshold(value, name, options.stageCritical);
            break;
        case kExpectExit:
            options.expectExit = static_cast<int>(ParseInteger(value, 0, 255, "exit code"));
            break;
        case 'r':
            options.remoteVersion = NonEmpty(value, name);
            break;
        case 'P':
            options.remoteProtocol = NonEmpty(value, name);
            break;
        case 'e':
            options.expectPattern = CompileExpect(value);
            options.expect = value;
            break;
        case kTimeoutState:
            options.timeoutState = ParseState(value);
            break;
        case kWeakAlgorithms:
            options.weakAlgorithmsState = ParseState(value);
            break;
        case kTerrapin:
            options.terrapinState = ParseState(value);
            break;
        case kProbe:
            options.probePath = NonEmpty(value, name);
            break;
        case 'V':
            options.showVersion = true;
            break;
        case 'h':
            options.showHelp = true;
            break;
        default:
            break;
    }
}

}  // namespace

PluginOptions ParsePluginOptions(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{"check_vek"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    PluginOptions options;
    std::optional<std::string> firstError;
    // getopt_long keeps its state in globals: 0 restarts it for this argument vector.
    optind = 0;
    opterr = 0;
    int code = 0;
    while ((code = ::getopt_long(static_cast<int>(words.size()), argv.data(), kShortOptions,
                                 kLongOptions, nullptr)) != -1) {
        std::string error;
        if (code == '?') {
            const std::string word = argv[optind - 1];
            error = optopt != 0 ? std::string("unknown option -") + static_cast<char>(optopt)
                                : "unknown or ambiguous option " + word.substr(0, word.find('='));
        } else if (code == ':') {
            const std::string word = argv[optind - 1];
            error = "option " + word + " needs a value";
        } else {
            try {
                Apply(code, optarg, options);
            } catch (const XPluginUsageError& refused) {
                error = refused.what();
            }
        }
        if (!error.empty() && !firstError) {
            firstError = error;
        }
    }
    if (options.showHelp || options.showVersion) {
        return options;
    }
    if (firstError) {
        throw XPluginUsageError(*firstError);
    }
    if (optind < static_cast<int>(words.size())) {
        throw XPluginUsageError("unexpected argument '" + words[optind] + "'");
    }
    if (options.hostname.empty()) {
        throw XPluginUsageError("no host name given (-H)");
    }
    // Without a user the check is the handshake only: nothing to log in with.
    if (options.logname.empty()) {
        if (options.command) {
            throw XPluginUsageError("-C/--command needs a user name (-l)");
        }
        if (!options.passwordFile.empty() || !options.identityFile.empty()) {
            throw XPluginUsageError("--password-file and -i/--identity-file need a user name (-l)");
        }
    }
    // What judges a command is refused without one rather than silently ignored.
    const std::size_t exec = VekProbeClient::kStageCount - 1;
    if (!options.command) {
        const std::pair<bool, const char*> needCommand[] = {
            {options.expect.has_value(), "-e/--expect"},
            {options.expectExit.has_value(), "--expect-exit"},
            {options.stageWarning[exec].has_value(), "--stage-warning exec=..."},
            {options.stageCritical[exec].has_value(), "--stage-critical exec=..."},
        };
        for (const auto& [given, option] : needCommand) {
            if (given) {
                throw XPluginUsageError(std::string(option) + " needs a command (-C)");
            }
        }
    }
    if (!options.passphraseFile.empty() && options.identityFile.empty()) {
        throw XPluginUsageError("--passphrase-file needs an identity file (-i)");
    }
    return options;
}

}  // namespace VekPlugin
