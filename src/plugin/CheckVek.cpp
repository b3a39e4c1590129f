#include "plugin/CheckVek.h"

#include <chrono>
#include <exception>
#include <system_error>

#include "plugin/CheckVerdict.h"
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

// Reads --password-file, else `environmentPassword` (VEK_PASSWORD, may be null);
// with -i the key file and --passphrase-file instead.
void ReadCredentials(const PluginOptions& options, const char* environmentPassword,
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
    } else if (environmentPassword != nullptr && *environmentPassword != '\0') {
        input.password = std::string(environmentPassword);
    } else {
        throw XPluginUsageError(
            "no credentials: give --password-file, the environment variable VEK_PASSWORD, or "
            "-i");
    }
}

VekProbeClient::ProbeInput InputOf(const PluginOptions& options, const char* environmentPassword) {
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
        ReadCredentials(options, environmentPassword, input);
    }
    return input;
}

}  // namespace

PluginAnswer JudgeRun(const PluginOptions& options, const ChildOutcome& run) {
    if (run.killed == KillReasonEnum::Deadline) {
        const PluginStateEnum state = options.timeoutState;
        return {state, "SSH " + std::string(StateName(state)) +
                           " - timeout (the probe was still running " +
                           std::to_string(options.timeoutSeconds + kProbeGraceSeconds) +
                           " s after its start and was killed)\n"};
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
    const CheckVerdict verdict = Evaluate(options, document);
    return {verdict.state, FormatReport(options, document, verdict)};
}

PluginAnswer RunCheck(const std::vector<std::string>& arguments,
                      const PluginEnvironment& environment) {
    try {
        const PluginOptions options = ParsePluginOptions(arguments);
        if (options.showHelp) {
            return {PluginStateEnum::Unknown, HelpText()};
        }
        if (options.showVersion) {
            return {PluginStateEnum::Unknown, VersionText()};
        }
        VekProbeClient::ChildCommand probe;
        probe.executable = options.probePath.empty() ? environment.defaultProbe : options.probePath;
        probe.environment = environment.probeEnvironment;
        try {
            probe.input =
                VekProbeClient::BuildProbeInputLine(InputOf(options, environment.password));
        } catch (const std::invalid_argument& error) {
            throw XPluginUsageError(error.what());
        }
        VekProbeClient::Supervision supervision;
        supervision.deadline = VekProbeClient::Clock::now() +
                               std::chrono::seconds(options.timeoutSeconds + kProbeGraceSeconds);
        ChildOutcome run;
        try {
            run = VekProbeClient::RunChild(probe, supervision);
        } catch (const std::system_error& error) {
            return Unknown("cannot start the probe " + probe.executable + ": " +
                           error.code().message());
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
