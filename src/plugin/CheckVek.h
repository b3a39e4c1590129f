#pragma once

#include <string>
#include <vector>

#include "plugin/AnswerDeadline.h"
#include "plugin/PluginOptions.h"
#include "plugin/PluginStateEnum.h"
#include "probeclient/ChildProcess.h"

namespace VekPlugin {

// What check_vek takes from its process besides the arguments.
struct PluginEnvironment {
    // VEK_PASSWORD, or null.
    const char* password = nullptr;
    // The environment handed to the probe: the plugin's own without VEK_PASSWORD.
    std::vector<std::string> probeEnvironment;
    // The probe run when --probe is not given.
    std::string defaultProbe;
    // When check_vek started: -t counts from here.
    VekProbeClient::Clock::time_point start = VekProbeClient::Clock::now();
};

struct PluginAnswer {
    PluginStateEnum state = PluginStateEnum::Unknown;
    // The plugin's whole standard output.
    std::string text;
};

// One check: reads --extra-opts, parses the arguments (without the program name),
// reads the credentials, runs the probe with the test on its standard input,
// judges the result document and formats the answer. Never throws: every failure
// of its own is an UNKNOWN answer with the reason. Once the options are known,
// `lastWord` is armed to answer with --timeout-state at -t plus kLastWord, so the
// check ends in time even when a file read hangs.
PluginAnswer RunCheck(const std::vector<std::string>& arguments,
                      const PluginEnvironment& environment, AnswerDeadline& lastWord);

// The answer to one run of the probe: a timeout when it was killed at its
// deadline, UNKNOWN when it wrote no usable result document, else the verdict on
// its document. A handshake that ended by running out of time before its banner
// or key exchange ended is given that stage, with the time the probe ran less the
// stages before it.
PluginAnswer JudgeRun(const PluginOptions& options, const VekProbeClient::ChildOutcome& run);

// The environment of this process for the probe: `environ` without VEK_PASSWORD.
std::vector<std::string> ProbeEnvironment();

// The --timeout-state answer of a check that had no result in time:
// "SSH <STATE> - timeout (<why>)|'time'=<elapsed>s;...".
PluginAnswer TimeoutAnswer(const PluginOptions& options, const std::string& why,
                           VekProbeClient::Clock::duration elapsed);

}  // namespace VekPlugin
