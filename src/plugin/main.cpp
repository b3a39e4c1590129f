// check_vek: one SSH test through the probe, answered in the monitoring plugin
// convention (status line, performance data, exit code 0 to 3).
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "plugin/AnswerDeadline.h"
#include "plugin/CheckVek.h"
#include "probeclient/ProcessSetup.h"

int main(int argc, char** argv) {
    const auto start = VekProbeClient::Clock::now();
    VekProbeClient::EnsureStandardDescriptors();
    VekPlugin::AnswerDeadline lastWord;
    VekPlugin::PluginEnvironment environment;
    environment.password = std::getenv("VEK_PASSWORD");
    environment.probeEnvironment = VekPlugin::ProbeEnvironment();
    environment.defaultProbe = VekProbeClient::DefaultProbePath();
    environment.start = start;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const VekPlugin::PluginAnswer answer = VekPlugin::RunCheck(arguments, environment, lastWord);
    lastWord.Claim();
    std::cout << answer.text << std::flush;
    return static_cast<int>(answer.state);
}
