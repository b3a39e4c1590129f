#include "plugin/CheckVek.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <system_error>

#include "plugin/CheckVerdict.h"
#include "plugin/ExtraOpts.h"
#include "plugin/PluginHelp.h"
#include "plugin/PluginOptionsParser.h"
#include "plugin/PluginReport.h"
#include "plugin/XPluginUsageError.h"
#include "probeclient/ProbeDocument.h"
#include "probeclient/ProbeInput.h"
#include "probeclient/ProbeRunner.h"
#include "probeclient/SecretFile.h"

extern char** environ;

namespace VekPlugin {

namespace {

using VekProbeClient::ChildOutcome;
using VekProbeClient::KillReasonEnum;

const std::string kPasswordVariable = "VEK_PASSWORD";
// What check_vek asks the probe to capture of the command's output.
constexpr long long kCaptureLimitBytes = 1048576;

PluginAnswer Unknown(const std::string& reason) {
    return {PluginStateEnum::Unknown, FormatUnknown(reason)};
}

VekLibrary::VekDomain::SensitiveString Secret(const std::string& path, const std::string& option) {
    try {
        return VekProbeClient::ReadSecretFile(path);
    } catch (const std::runtime_error& error) {
        throw XPluginUsageError(option + " " + error.what());
    }
}

std::string ProbeUrl(const PluginOptions& options) {
    const bool ipv6Literal =
        options.hostname.find(':') != std::string::npos && options.hostname.front() != '[';
    const std::string host = ipv6Literal ? "[" + options.hostname + "]" : options.hostname;
    return "qo-ssh://" + host + ":" + std::to_string(options.port);
}

// The passwords given other than by --password-file.
struct Credentials {
    // A "password" of the --extra-opts section.
    std::optional<VekLibrary::VekDomain::SensitiveString> iniPassword;
    // VEK_PASSWORD, or null.
    const char* environment = nullptr;
};

// Reads --password-file, else the ini's password, else VEK_PASSWORD; with -i the
// key file and --passphrase-file instead.
void ReadCredentials(const PluginOptions& options, const Credentials& given,
                     VekProbeClient::ProbeInput& input) {
    if (!options.identityFile.empty()) {
        input.privateKey = Secret(options.identityFile, "-i/--identity-file");
        if (input.privateKey->GetText().empty()) {
            throw XPluginUsageError("identity file " + options.identityFile + " is empty");
        }
        if (!options.passphraseFile.empty()) {
            input.password = Secret(options.passphraseFile, "--passphrase-file");
        }
    } else if (!options.passwordFile.empty()) {
        input.password = Secret(options.passwordFile, "--password-file");
        if (input.password->GetText().empty()) {
            throw XPluginUsageError("password file " + options.passwordFile + " is empty");
        }
    } else if (given.iniPassword && !given.iniPassword->GetText().empty()) {
        input.password = *given.iniPassword;
    } else if (given.environment != nullptr && *given.environment != '\0') {
        input.password = std::string(given.environment);
    } else {
        throw XPluginUsageError(
            "no credentials: give --password-file, a password in --extra-opts, the environment "
            "variable VEK_PASSWORD, or -i");
    }
}

VekProbeClient::ProbeInput InputOf(const PluginOptions& options, const Credentials& given) {
    VekProbeClient::ProbeInput input;
    input.url = ProbeUrl(options);
    input.ipv6 = options.ipv6;
    input.timeoutSeconds = options.timeoutSeconds;
    input.username = options.logname;
    input.hostKeys = options.hostKeys;
    if (!options.knownHostsFile.empty()) {
        try {
            input.knownHosts = VekProbeClient::ReadRegularFile(
                options.knownHostsFile, VekProbeClient::kMaxKnownHostsFileBytes);
        } catch (const std::runtime_error& error) {
            throw XPluginUsageError(std::string("--known-hosts ") + error.what());
        }
    }
    input.command = options.command.value_or("");
    input.maxOutputBytes = kCaptureLimitBytes;
    input.handshakeOnly = options.logname.empty();
    if (!input.handshakeOnly) {
        ReadCredentials(options, given, input);
    }
    return input;
}

using VekProbeClient::kStageCount;

// A handshake that ran out of time before its banner or key exchange ended leaves
// that stage out of the document (the probe records a stage when it ends). The
// stage was running until the probe's budget ended: it gets the time the probe ran
// less the stages before it, which includes the probe's start-up of a few
// milliseconds.
void CompleteHandshake(VekProbeClient::ProbeDocument& document,
                       VekProbeClient::Clock::duration elapsed) {
    const std::size_t connect = VekProbeClient::FindStage("connect");
    if (!document.errorCode || !IsTimeoutErrorKey(*document.errorCode) ||
        !document.stageMilliseconds[connect]) {
        return;
    }
    std::size_t open = connect + 1;
    while (open < kStageCount && document.stageMilliseconds[open]) {
        ++open;
    }
    if (open > VekProbeClient::FindStage("kex")) {
        return;
    }
    for (std::size_t later = open + 1; later < kStageCount; ++later) {
        if (document.stageMilliseconds[later]) {
            return;
        }
    }
    const long long ran = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    document.stageMilliseconds[open] = std::max(0LL, ran - document.TotalMilliseconds());
}

}  // namespace

PluginAnswer TimeoutAnswer(const PluginOptions& options, const std::string& why,
                           VekProbeClient::Clock::duration elapsed) {
    const long long milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    VekProbeClient::ProbeDocument measured;
    measured.stageMilliseconds.fill(std::nullopt);
    const std::string perfdata = FormatPerformanceData(options, measured, milliseconds);
    return {options.timeoutState, "SSH " + std::string(StateName(options.timeoutState)) +
                                      " - timeout (" + why + ")|" + perfdata + "\n"};
}

PluginAnswer JudgeRun(const PluginOptions& options, const ChildOutcome& run) {
    if (run.killed == KillReasonEnum::Deadline) {
        return TimeoutAnswer(options,
                             "no result within -t " + std::to_string(options.timeoutSeconds) +
                                 " s; the probe was killed",
                             run.elapsed);
    }
    if (run.killed == KillReasonEnum::OutputTooLarge) {
        return Unknown("the probe's standard output passed " +
                       std::to_string(VekProbeClient::kMaxDocumentBytes >> 20) +
                       " MiB; it was killed");
    }
    if (!run.exited) {
        return Unknown("the probe was ended by signal " + std::to_string(run.signal));
    }
    if (run.exitCode != 0) {
        const std::string complaint = VekProbeClient::ProbeComplaint(run.standardError);
        return Unknown("the probe exited with code " + std::to_string(run.exitCode) +
                       (complaint.empty() ? "" : ": " + complaint));
    }
    if (run.standardOutput.empty()) {
        return Unknown("the probe wrote no result document");
    }
    VekProbeClient::ProbeDocument document;
    try {
        document = VekProbeClient::ParseProbeDocument(run.standardOutput);
    } catch (const std::exception& error) {
        return Unknown(std::string("the probe's result document is unreadable: ") + error.what());
    }
    CompleteHandshake(document, run.elapsed);
    const CheckVerdict verdict = Evaluate(options, document);
    return {verdict.state, FormatReport(options, document, verdict)};
}

PluginAnswer RunCheck(const std::vector<std::string>& arguments,
                      const PluginEnvironment& environment, AnswerDeadline& lastWord) {
    try {
        ExtraOptsResult expanded = ExpandExtraOpts(arguments, "check_vek");
        const PluginOptions options = ParsePluginOptions(expanded.arguments);
        if (options.showHelp) {
            return {PluginStateEnum::Unknown, HelpText()};
        }
        if (options.showVersion) {
            return {PluginStateEnum::Unknown, VersionText()};
        }
        const auto deadline = environment.start + std::chrono::seconds(options.timeoutSeconds);
        const PluginAnswer late = TimeoutAnswer(
            options, "no result within -t " + std::to_string(options.timeoutSeconds) + " s",
            deadline + kLastWord - environment.start);
        lastWord.Arm(deadline + kLastWord, late.state, late.text);

        VekProbeClient::ChildCommand probe;
        probe.executable = options.probePath.empty() ? environment.defaultProbe : options.probePath;
        probe.environment = environment.probeEnvironment;
        try {
            const Credentials given{std::move(expanded.password), environment.password};
            probe.input = VekProbeClient::BuildProbeInputLine(InputOf(options, given));
        } catch (const std::invalid_argument& error) {
            throw XPluginUsageError(error.what());
        }
        VekProbeClient::Supervision supervision;
        supervision.deadline = deadline + kProbeGrace;
        supervision.reapGrace = kReapGrace;
        ChildOutcome run;
        try {
            run = VekProbeClient::RunChild(probe, supervision);
        } catch (const std::system_error& error) {
            return Unknown("cannot start the probe " + probe.executable + ": " +
                           error.code().message());
        }
        if (run.killed == KillReasonEnum::Deadline) {
            // The test's time is check_vek's own.
            run.elapsed = VekProbeClient::Clock::now() - environment.start;
        }
        return JudgeRun(options, run);
    } catch (const XPluginUsageError& error) {
        return Unknown(error.what());
    } catch (const std::exception& error) {
        return Unknown(std::string("internal error: ") + error.what());
    }
}

std::vector<std::string> ProbeEnvironment() {
    std::vector<std::string> entries;
    const std::string prefix = kPasswordVariable + "=";
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        if (std::string(*entry).compare(0, prefix.size(), prefix) != 0) {
            entries.emplace_back(*entry);
        }
    }
    return entries;
}

}  // namespace VekPlugin
