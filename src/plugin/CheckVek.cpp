#include "plugin/CheckVek.h"

#include <unistd.h>

#include <chrono>
#include <climits>
#include <exception>

#include "plugin/CheckVerdict.h"
#include "plugin/PluginHelp.h"
#include "plugin/PluginOptionsParser.h"
#include "plugin/PluginReport.h"
#include "plugin/ProbeInput.h"
#include "plugin/ProbeOutcome.h"
#include "plugin/ProbeRunner.h"
#include "plugin/XPluginUsageError.h"

extern char** environ;

namespace VekPlugin {

namespace {

const std::string kPasswordVariable = "VEK_PASSWORD";

// The reason of a probe that refused the test: its last "[ERR]" log line without
// the timestamp and level, else its last line.
std::string ProbeComplaint(const std::string& standardError) {
    std::string last;
    std::string lastError;
    std::size_t begin = 0;
    while (begin < standardError.size()) {
        std::size_t end = standardError.find('\n', begin);
        if (end == std::string::npos) {
            end = standardError.size();
        }
        const std::string line = standardError.substr(begin, end - begin);
        if (!line.empty()) {
            last = line;
            const std::size_t level = line.find("[ERR]");
            if (level != std::string::npos) {
                const std::size_t text = line.find("] ", level + 5);
                lastError = text == std::string::npos ? line : line.substr(text + 2);
            }
        }
        begin = end + 1;
    }
    return lastError.empty() ? last : lastError;
}

PluginAnswer Unknown(const std::string& reason) {
    return {PluginStateEnum::Unknown, FormatUnknown(reason)};
}

PluginAnswer Judge(const PluginOptions& options, const ProbeRunResult& run) {
    if (run.killed) {
        const PluginStateEnum state = options.timeoutState;
        return {state, "SSH " + std::string(StateName(state)) +
                           " - timeout (the probe was still running " +
                           std::to_string(options.timeoutSeconds + kProbeGraceSeconds) +
                           " s after its start and was killed)\n"};
    }
    if (!run.exited) {
        return Unknown("the probe was ended by signal " + std::to_string(run.signal));
    }
    if (run.exitCode != 0) {
        const std::string complaint = ProbeComplaint(run.standardError);
        return Unknown("the probe exited with code " + std::to_string(run.exitCode) +
                       (complaint.empty() ? "" : ": " + complaint));
    }
    if (run.standardOutput.empty()) {
        return Unknown("the probe wrote no result document");
    }
    ProbeOutcome outcome;
    try {
        outcome = ParseProbeDocument(run.standardOutput);
    } catch (const std::exception& error) {
        return Unknown(std::string("the probe's result document is unreadable: ") + error.what());
    }
    const CheckVerdict verdict = Evaluate(options, outcome);
    return {verdict.state, FormatReport(options, outcome, verdict)};
}

}  // namespace

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
        ProbeRunRequest request;
        request.program =
            options.probePath.empty() ? environment.ownFolder + "/vek" : options.probePath;
        request.environment = environment.probeEnvironment;
        request.limit = std::chrono::seconds(options.timeoutSeconds + kProbeGraceSeconds);
        {
            const Credentials credentials = ReadCredentials(options, environment.password);
            request.input = BuildProbeInput(options, credentials);
        }
        ProbeRunResult run;
        try {
            run = RunProbeProcess(request);
        } catch (const std::exception& error) {
            Wipe(request.input);
            return Unknown(error.what());
        }
        Wipe(request.input);
        return Judge(options, run);
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

std::string OwnFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return "";
    }
    const std::string executable(path, static_cast<std::size_t>(length));
    const std::size_t slash = executable.rfind('/');
    return slash == std::string::npos ? "" : executable.substr(0, slash);
}

}  // namespace VekPlugin
