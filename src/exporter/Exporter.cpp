#include "exporter/Exporter.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <future>
#include <iostream>
#include <optional>
#include <thread>

#include "exporter/BuildInfo.h"
#include "exporter/ConfigStore.h"
#include "exporter/ExporterOptions.h"
#include "exporter/HttpFrontend.h"
#include "exporter/Log.h"
#include "exporter/ProbeService.h"
#include "exporter/ShutdownSignal.h"
#include "exporter/WebConfigStore.h"
#include "probeclient/ProcessSetup.h"

namespace VekExporter {

namespace {

// After the probes' time is up, how long the HTTP side may take to answer them.
constexpr std::chrono::seconds kAnswerGrace{2};

sigset_t ControlSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGHUP);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    return signals;
}

// Waits for control signals; SIGHUP reloads. Returns the exit code once SIGTERM or
// SIGINT arrived (0) or serving ended by itself (1).
int WaitForEnd(const sigset_t& signals, ConfigStore& config, WebConfigStore& web,
               const std::atomic<bool>& serveEnded) {
    const timespec interval{0, 200 * 1000 * 1000};
    for (;;) {
        siginfo_t info{};
        const int number = ::sigtimedwait(&signals, &info, &interval);
        if (number == SIGHUP) {
            config.Reload();
            web.Reload();
        } else if (number == SIGTERM || number == SIGINT) {
            LogInfo("Received a signal to end, finishing running probes",
                    {{"signal", number == SIGTERM ? "SIGTERM" : "SIGINT"}});
            return 0;
        }
        if (serveEnded.load()) {
            LogError("The HTTP server stopped unexpectedly");
            return 1;
        }
    }
}

int Serve(const ExporterOptions& options, const std::string& probePath, const sigset_t& signals) {
    ExporterMetrics metrics;
    std::optional<ConfigStore> config;
    try {
        config.emplace(options.configFile, metrics);
    } catch (const std::exception& error) {
        LogError("Error loading configuration", {{"err", error.what()}});
        return 1;
    }
    std::optional<WebConfigStore> web;
    try {
        web.emplace(options.webConfigFile);
    } catch (const std::exception& error) {
        LogError("Error loading the web configuration", {{"err", error.what()}});
        return 1;
    }
    ShutdownSignal shutdown;
    ProbeService probes(*config, shutdown, metrics, probePath, options.maxConcurrent);
    HttpFrontend http(probes, *config, metrics, *web, options.maxConcurrent);
    const ListenAddress address = *ParseListenAddress(options.listenAddress);
    std::string listening;
    try {
        listening = http.Bind(address.host, address.port);
    } catch (const std::exception& error) {
        LogError("Cannot listen", {{"err", error.what()}});
        return 1;
    }
    const bool users = !web->Current()->basicAuthUsers.empty();
    LogInfo("Listening on", {{"address", listening},
                             {"tls", web->Tls() ? "true" : "false"},
                             {"basic_auth", users ? "true" : "false"},
                             {"probe", probePath}});
    if (options.webConfigFile.empty()) {
        LogWarn(
            "No --web.config.file: anyone who can reach the port can run probes with the "
            "configured modules",
            {{"address", listening}});
    }

    std::atomic<bool> serveEnded{false};
    std::thread serving([&] {
        http.Serve();
        serveEnded = true;
    });
    const int exitCode = WaitForEnd(signals, *config, *web, serveEnded);
    shutdown.Trigger();
    probes.StopStartingProbes();
    http.Stop();
    // Running probes are killed at FinishBy; their scrapes are answered right after.
    auto joined = std::async(std::launch::async, [&serving] { serving.join(); });
    if (joined.wait_until(shutdown.FinishBy() + kAnswerGrace) != std::future_status::ready) {
        LogError("Requests still running after the shutdown deadline; exiting anyway");
        std::_Exit(1);
    }
    LogInfo("Stopped");
    return exitCode;
}

}  // namespace

int RunExporter(const std::vector<std::string>& arguments) {
    VekProbeClient::EnsureStandardDescriptors();
    const ParsedOptions parsed = ParseExporterOptions(arguments);
    if (parsed.error) {
        std::cerr << "vek-exporter: " << *parsed.error << "\n\n" << ExporterUsage();
        return 2;
    }
    if (parsed.options.help) {
        std::cout << ExporterUsage();
        return 0;
    }
    if (parsed.options.version) {
        std::cout << ExporterVersionText();
        return 0;
    }
    ConfigureLog(parsed.options.logFormat, parsed.options.logLevel);
    LogInfo("Starting vek-exporter", {{"version", kBuildVersion}, {"revision", kBuildRevision}});
    const sigset_t signals = ControlSignals();
    // Blocked before any thread starts, so every thread inherits the mask and only
    // sigtimedwait sees these signals.
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    const std::string probePath = parsed.options.probePath.empty()
                                      ? VekProbeClient::DefaultProbePath()
                                      : parsed.options.probePath;
    if (::access(probePath.c_str(), X_OK) != 0) {
        LogError("The probe is not an executable file; give its path with --probe.path",
                 {{"probe", probePath}});
        return 1;
    }
    try {
        return Serve(parsed.options, probePath, signals);
    } catch (const std::exception& error) {
        LogError("Fatal error", {{"err", error.what()}});
        return 1;
    }
}

}  // namespace VekExporter
