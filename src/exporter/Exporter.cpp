#include "exporter/Exporter.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <future>
#include <iostream>
#include <optional>
#include <thread>

#include "exporter/ConfigStore.h"
#include "exporter/ExporterOptions.h"
#include "exporter/HttpFrontend.h"
#include "exporter/Log.h"
#include "exporter/ProbeService.h"
#include "exporter/ShutdownSignal.h"
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
int WaitForEnd(const sigset_t& signals, ConfigStore& config, const std::atomic<bool>& serveEnded) {
    const timespec interval{0, 200 * 1000 * 1000};
    for (;;) {
        siginfo_t info{};
        const int number = ::sigtimedwait(&signals, &info, &interval);
        if (number == SIGHUP) {
            config.Reload();
        } else if (number == SIGTERM || number == SIGINT) {
            LogInfo(std::string("Received ") + (number == SIGTERM ? "SIGTERM" : "SIGINT") +
                    ", finishing running probes");
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
        LogError(std::string("Error loading configuration: ") + error.what());
        return 1;
    }
    ShutdownSignal shutdown;
    ProbeService probes(*config, shutdown, metrics, probePath, options.maxConcurrent);
    HttpFrontend http(probes, *config, metrics, options.maxConcurrent);
    const ListenAddress address = *ParseListenAddress(options.listenAddress);
    int port = 0;
    try {
        port = http.Bind(address.host, address.port);
    } catch (const std::exception& error) {
        LogError(error.what());
        return 1;
    }
    LogInfo("Listening on " + (address.host.empty() ? std::string("*") : address.host) + ":" +
            std::to_string(port) + ", probe " + probePath);

    std::atomic<bool> serveEnded{false};
    std::thread serving([&] {
        http.Serve();
        serveEnded = true;
    });
    const int exitCode = WaitForEnd(signals, *config, serveEnded);
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
    const sigset_t signals = ControlSignals();
    // Blocked before any thread starts, so every thread inherits the mask and only
    // sigtimedwait sees these signals.
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    const std::string probePath = parsed.options.probePath.empty()
                                      ? VekProbeClient::DefaultProbePath()
                                      : parsed.options.probePath;
    if (::access(probePath.c_str(), X_OK) != 0) {
        LogError("The probe " + probePath +
                 " is not an executable file; give its path with --probe.path");
        return 1;
    }
    try {
        return Serve(parsed.options, probePath, signals);
    } catch (const std::exception& error) {
        LogError(std::string("Fatal error: ") + error.what());
        return 1;
    }
}

}  // namespace VekExporter
