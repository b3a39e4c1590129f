// check_vek: one SSH test through the probe, answered in the monitoring plugin
// convention (status line, performance data, exit code 0 to 3).
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "plugin/CheckVek.h"

int main(int argc, char** argv) {
    // A scheduler may start plugins with a standard descriptor closed; the probe's
    // pipes must not take its number.
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) < 0) {
            ::open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
        }
    }
    // A probe that stops reading its input must fail our write, not end us.
    ::signal(SIGPIPE, SIG_IGN);

    VekPlugin::PluginEnvironment environment;
    environment.password = std::getenv("VEK_PASSWORD");
    environment.probeEnvironment = VekPlugin::ProbeEnvironment();
    environment.ownFolder = VekPlugin::OwnFolder();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const VekPlugin::PluginAnswer answer = VekPlugin::RunCheck(arguments, environment);
    std::cout << answer.text << std::flush;
    return static_cast<int>(answer.state);
}
