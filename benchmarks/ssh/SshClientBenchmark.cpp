// The project's SSH client against a bare libssh2 loop, both over the private
// fixture sshd on loopback: time and CPU of a full test, CPU share while a remote
// command sleeps, capture of 10 MiB, and how far the client overruns its budget
// against hostile servers. Prints medians and ratios; judges nothing.

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <libssh2.h>

#include "benchmarks/ssh/BareLibssh2Client.h"
#include "benchmarks/ssh/DiscardingStreamOutputHandler.h"
#include "fixtures/AsyncsshFixture.h"
#include "fixtures/HostilePorts.h"
#include "fixtures/LoopbackServer.h"
#include "fixtures/SshdFixture.h"
#include "logger/Logger.h"
#include "logger/UtcTimestampProvider.h"
#include "networking/AddressFamilyEnum.h"
#include "networking/NetworkingLibraryFactoryProvider.h"
#include "result/SshTestResult.h"
#include "result/SshTestResultFactory.h"
#include "ssh/ISshClient.h"
#include "ssh/SshClientFactory.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kShortRuns = 40;
constexpr int kSleepRuns = 3;
constexpr int kBulkRuns = 5;
constexpr std::int64_t kBudget = 10000;
constexpr unsigned long kShortLimit = 1024 * 1024;
constexpr std::uint64_t kBulkBytes = 10485760;
constexpr unsigned long kBulkLimit = 11 * 1024 * 1024;
const std::string kShortCommand = "echo hello\n";
const std::string kSleepCommand = "sleep 3\n";
const std::string kBulkCommand = "head -c 10485760 /dev/zero | tr '\\0' x\n";

using Endpoint = VekTest::SshdEndpoint;

double CpuMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double MillisecondsBetween(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

// One full test, however it was run. The captured text itself is not kept, only
// what the report checks.
struct Measured {
    double wallMs = 0;
    double cpuMs = 0;
    std::uint64_t outputBytes = 0;
    std::string outputHead;
    std::string exitStatus;
    // Empty when the test went through.
    std::string failure;
};

std::string Head(const std::string& text) {
    return text.substr(0, 16);
}

// The client as a test session builds it: the real networking library, the real
// result factory and a logger at its default level whose sink discards the text.
class ProjectClient final {
public:
    explicit ProjectClient(const Endpoint& endpoint)
        : logger_(std::make_shared<VekLibrary::VekLogger::Logger>(
              std::make_shared<VekBenchmark::DiscardingStreamOutputHandler>(),
              std::make_shared<VekLibrary::VekLogger::UtcTimestampProvider>())),
          factory_(networking_.GetDnsResolutionStrategyFactory(),
                   networking_.GetLinuxNetworkingWrapperFactory(),
                   std::make_shared<Ssh::SshTestResultFactory>(), logger_) {
        logger_->SetSanitizationHints({endpoint.user, endpoint.password});
    }

    // Connect gets `budget`, each later stage what the previous one left; the
    // first failure ends the test. Timed from the client's creation to its end.
    Measured Run(const Endpoint& endpoint, unsigned short port, const std::string& commands,
                 unsigned long maximumBytes, std::int64_t budget) {
        Measured measured;
        std::unique_ptr<Ssh::SshTestResult> result;
        std::string raised;
        const double cpuStart = CpuMilliseconds();
        const Clock::time_point start = Clock::now();
        {
            std::unique_ptr<Ssh::ISshClient> client;
            factory_.Create(client);
            try {
                std::int64_t left = client->Connect(
                    endpoint.host, port, VekLibrary::Networking::AddressFamilyEnum::Ipv4, budget);
                if (left > 0) {
                    left = client->AuthenticateUser(endpoint.user, endpoint.password, left);
                }
                if (left > 0) {
                    client->ExecuteCommands(commands, maximumBytes, left);
                }
            } catch (const std::exception& error) {
                raised = error.what();
            }
            result = client->GetResults();
        }
        const Clock::time_point end = Clock::now();
        measured.cpuMs = CpuMilliseconds() - cpuStart;
        measured.wallMs = MillisecondsBetween(start, end);
        if (result) {
            measured.outputBytes = result->GetCommandExecutionResult().size();
            measured.outputHead = Head(result->GetCommandExecutionResult());
            measured.exitStatus = result->GetCommandExecutionReturnCode();
            if (!result->GetError().empty()) {
                measured.failure = result->GetError();
            }
        }
        if (measured.failure.empty() && !raised.empty()) {
            measured.failure = raised;
        }
        return measured;
    }

private:
    std::shared_ptr<VekLibrary::VekLogger::Logger> logger_;
    VekLibrary::Networking::NetworkingLibraryFactoryProvider networking_;
    Ssh::SshClientFactory factory_;
};

Measured RunBare(const Endpoint& endpoint, const std::string& commands) {
    VekBenchmark::BareRequest request;
    request.host = endpoint.host;
    request.port = endpoint.port;
    request.user = endpoint.user;
    request.password = endpoint.password;
    request.commands = commands;
    request.timeout = std::chrono::milliseconds(kBudget);
    Measured measured;
    const double cpuStart = CpuMilliseconds();
    const Clock::time_point start = Clock::now();
    VekBenchmark::BareRun run = VekBenchmark::RunBareLibssh2(request);
    const Clock::time_point end = Clock::now();
    measured.cpuMs = CpuMilliseconds() - cpuStart;
    measured.wallMs = MillisecondsBetween(start, end);
    measured.outputBytes = run.standardOutput.size();
    measured.outputHead = Head(run.standardOutput);
    measured.exitStatus = std::to_string(run.exitStatus);
    measured.failure = run.failure;
    return measured;
}

struct Series {
    std::vector<Measured> client;
    std::vector<Measured> bare;
};

// Alternates the two so that drifts of the machine's load hit both alike.
Series Interleave(ProjectClient& project, const Endpoint& endpoint, const std::string& commands,
                  unsigned long maximumBytes, int runs) {
    Series series;
    for (int i = 0; i < runs; ++i) {
        series.client.push_back(
            project.Run(endpoint, endpoint.port, commands, maximumBytes, kBudget));
        series.bare.push_back(RunBare(endpoint, commands));
    }
    return series;
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Medians over the runs that went through; a failed run says nothing about speed.
double MedianOf(const std::vector<Measured>& runs,
                const std::function<double(const Measured&)>& of) {
    std::vector<double> values;
    for (const Measured& run : runs) {
        if (run.failure.empty()) {
            values.push_back(of(run));
        }
    }
    return Median(values);
}

double Wall(const Measured& run) {
    return run.wallMs;
}
double Cpu(const Measured& run) {
    return run.cpuMs;
}
double CpuSharePercent(const Measured& run) {
    return run.wallMs > 0 ? 100.0 * run.cpuMs / run.wallMs : 0;
}

double Ratio(double client, double bare) {
    return bare > 0 ? client / bare : 0;
}

// Runs whose output is not what the command prints, so a fast but wrong run is seen.
void PrintDeviations(const char* label, const std::vector<Measured>& runs,
                     const std::function<bool(const Measured&)>& expected) {
    int failed = 0;
    int wrong = 0;
    std::string first;
    for (const Measured& run : runs) {
        if (!run.failure.empty()) {
            ++failed;
        } else if (!expected(run)) {
            ++wrong;
        } else {
            continue;
        }
        if (first.empty()) {
            first = run.failure.empty()
                        ? "output " + std::to_string(run.outputBytes) + " B, exit " + run.exitStatus
                        : run.failure;
        }
    }
    if (failed > 0 || wrong > 0) {
        std::printf("  note: %s: %d of %zu runs failed, %d gave unexpected output (first: %s)\n",
                    label, failed, runs.size(), wrong, first.c_str());
    }
}

void PrintLoad(const char* when) {
    double load[3] = {0, 0, 0};
    if (::getloadavg(load, 3) == 3) {
        std::printf("load average %s: %.2f %.2f %.2f\n", when, load[0], load[1], load[2]);
    }
}

struct HostileCase {
    std::string name;
    double elapsedMs = 0;
    std::int64_t budget = 0;
    std::string outcome;
};

HostileCase RunHostile(ProjectClient& project, const Endpoint& endpoint, const std::string& name,
                       unsigned short port, std::int64_t budget,
                       const std::string& commands = kShortCommand) {
    const Measured run = project.Run(endpoint, port, commands, kShortLimit, budget);
    HostileCase result;
    result.name = name;
    result.elapsedMs = run.wallMs;
    result.budget = budget;
    result.outcome = run.failure.empty() ? "ok, exit " + run.exitStatus : run.failure;
    return result;
}

// The programmable server as an endpoint whose user name picks `scenario`.
Endpoint ScenarioEndpoint(const VekTest::AsyncsshEndpoint& server, const std::string& scenario) {
    Endpoint endpoint;
    endpoint.host = server.host;
    endpoint.port = server.port;
    endpoint.user = scenario;
    endpoint.password = server.password;
    return endpoint;
}

// Servers that send without pause, so the library never finds its socket empty.
void RunFloodCases(ProjectClient& project, const Endpoint& endpoint,
                   const VekTest::AsyncsshEndpoint* asyncssh, std::vector<HostileCase>& cases) {
    {
        VekTest::LoopbackServer server(VekTest::FloodLines("Please wait...\r\n"));
        cases.push_back(RunHostile(project, endpoint, "FloodLines short", server.Port(), 1000));
    }
    {
        VekTest::LoopbackServer server(VekTest::FloodLines(std::string(8190, 'x') + "\r\n"));
        cases.push_back(RunHostile(project, endpoint, "FloodLines 8 KiB", server.Port(), 1000));
    }
    {
        VekTest::LoopbackServer server(VekTest::FloodIgnorePackets());
        cases.push_back(
            RunHostile(project, endpoint, "FloodIgnorePackets kex", server.Port(), 1000));
    }
    if (asyncssh == nullptr) {
        return;
    }
    for (const char* scenario : {"floodauth", "floodcmd"}) {
        cases.push_back(RunHostile(project, ScenarioEndpoint(*asyncssh, scenario),
                                   std::string("asyncssh ") + scenario, asyncssh->port, 1500,
                                   "true\n"));
    }
}

std::vector<HostileCase> RunHostileCases(ProjectClient& project, const Endpoint& endpoint,
                                         const VekTest::AsyncsshEndpoint* asyncssh) {
    using namespace std::string_literals;
    using std::chrono::milliseconds;
    std::vector<HostileCase> cases;
    {
        VekTest::LoopbackServer server(VekTest::StaySilent());
        cases.push_back(RunHostile(project, endpoint, "StaySilent", server.Port(), 1000));
    }
    {
        VekTest::LoopbackServer server(
            VekTest::TrickleBytes("SSH-2.0-Trickle\r\n", milliseconds(300)));
        cases.push_back(RunHostile(project, endpoint, "TrickleBytes 300 ms", server.Port(), 1000));
    }
    {
        VekTest::LoopbackServer server(VekTest::SendThenHold("SSH-2.0-Null\0Byte\r\n"s));
        cases.push_back(
            RunHostile(project, endpoint, "SendThenHold NUL banner", server.Port(), 1000));
    }
    {
        VekTest::LoopbackServer server(VekTest::SendThenClose("SSH-2.0-OpenSSH_9.2\r\n"));
        cases.push_back(RunHostile(project, endpoint, "SendThenClose", server.Port(), 1000));
    }
    {
        VekTest::LoopbackServer server(VekTest::CloseAtOnce());
        cases.push_back(RunHostile(project, endpoint, "CloseAtOnce", server.Port(), 1000));
    }
    {
        VekTest::LoopbackServer server(VekTest::HeldBannerRelay(endpoint.port, milliseconds(400)));
        cases.push_back(
            RunHostile(project, endpoint, "HeldBannerRelay 400 ms", server.Port(), 1000));
    }
    {
        VekTest::FilteredPort filtered;
        cases.push_back(RunHostile(project, endpoint, "FilteredPort", filtered.Port(), 1000));
    }
    {
        VekTest::RefusedPort refused;
        cases.push_back(RunHostile(project, endpoint, "RefusedPort", refused.Port(), 1000));
    }
    cases.push_back(
        RunHostile(project, endpoint, "sshd sleep 30", endpoint.port, 1500, "sleep 30\n"));
    RunFloodCases(project, endpoint, asyncssh, cases);
    return cases;
}

int Run(const std::string& fixtureFolder, const std::string& asyncsshFolder) {
    const Endpoint endpoint = VekTest::ReadSshdEndpoint(fixtureFolder);
    VekTest::AsyncsshEndpoint asyncssh;
    if (!asyncsshFolder.empty()) {
        asyncssh = VekTest::ReadAsyncsshEndpoint(asyncsshFolder);
    }
    if (libssh2_init(0) != 0) {
        throw std::runtime_error("libssh2_init failed");
    }
    ProjectClient project(endpoint);
    std::printf("ssh_client_benchmark: client vs bare libssh2 against sshd at %s:%u\n",
                endpoint.host.c_str(), endpoint.port);
    PrintLoad("at start");
    std::fflush(stdout);

    // Warms the sshd, the page cache and the library's allocations for both.
    Interleave(project, endpoint, kShortCommand, kShortLimit, 1);

    const Series shortRuns = Interleave(project, endpoint, kShortCommand, kShortLimit, kShortRuns);
    const Series sleepRuns = Interleave(project, endpoint, kSleepCommand, kShortLimit, kSleepRuns);
    const Series bulkRuns = Interleave(project, endpoint, kBulkCommand, kBulkLimit, kBulkRuns);
    const std::vector<HostileCase> hostile =
        RunHostileCases(project, endpoint, asyncsshFolder.empty() ? nullptr : &asyncssh);

    std::printf(
        "\n%d short runs (\"echo hello\"), %d \"sleep 3\" runs, %d 10 MiB runs of each, "
        "interleaved client/bare\n",
        kShortRuns, kSleepRuns, kBulkRuns);
    const double shortWallClient = MedianOf(shortRuns.client, Wall);
    const double shortWallBare = MedianOf(shortRuns.bare, Wall);
    const double shortCpuClient = MedianOf(shortRuns.client, Cpu);
    const double shortCpuBare = MedianOf(shortRuns.bare, Cpu);
    std::printf("full test wall     client %7.2f ms  bare %7.2f ms  ratio %.3f  (target <= 1.05)\n",
                shortWallClient, shortWallBare, Ratio(shortWallClient, shortWallBare));
    std::printf(
        "full test CPU      client %7.2f ms  bare %7.2f ms  ratio %.3f  (target: client <= 10 "
        "ms)\n",
        shortCpuClient, shortCpuBare, Ratio(shortCpuClient, shortCpuBare));
    const auto isHello = [](const Measured& run) {
        return run.outputHead == "hello\n" && run.exitStatus == "0";
    };
    PrintDeviations("short client", shortRuns.client, isHello);
    PrintDeviations("short bare", shortRuns.bare, isHello);

    std::printf(
        "sleep 3 CPU/wall   client %7.3f %%   bare %7.3f %%                (target: "
        "client < 1 %%)\n",
        MedianOf(sleepRuns.client, CpuSharePercent), MedianOf(sleepRuns.bare, CpuSharePercent));
    std::printf("sleep 3 wall       client %7.1f ms  bare %7.1f ms\n",
                MedianOf(sleepRuns.client, Wall), MedianOf(sleepRuns.bare, Wall));
    const auto isSilent = [](const Measured& run) {
        return run.outputBytes == 0 && run.exitStatus == "0";
    };
    PrintDeviations("sleep client", sleepRuns.client, isSilent);
    PrintDeviations("sleep bare", sleepRuns.bare, isSilent);

    const double bulkWallClient = MedianOf(bulkRuns.client, Wall);
    const double bulkWallBare = MedianOf(bulkRuns.bare, Wall);
    const double bulkCpuClient = MedianOf(bulkRuns.client, Cpu);
    const double bulkCpuBare = MedianOf(bulkRuns.bare, Cpu);
    std::printf("10 MiB wall        client %7.1f ms  bare %7.1f ms  ratio %.3f  (target <= 1.1)\n",
                bulkWallClient, bulkWallBare, Ratio(bulkWallClient, bulkWallBare));
    std::printf("10 MiB CPU         client %7.1f ms  bare %7.1f ms  ratio %.3f  (target <= 1.1)\n",
                bulkCpuClient, bulkCpuBare, Ratio(bulkCpuClient, bulkCpuBare));
    const auto bytesOf = [](const std::vector<Measured>& runs) {
        std::string sizes;
        for (const Measured& run : runs) {
            sizes += (sizes.empty() ? "" : ",") + std::to_string(run.outputBytes);
        }
        return sizes;
    };
    std::printf("10 MiB captured    client %s B  bare %s B  (expected %llu each)\n",
                bytesOf(bulkRuns.client).c_str(), bytesOf(bulkRuns.bare).c_str(),
                static_cast<unsigned long long>(kBulkBytes));
    const auto isBulk = [](const Measured& run) {
        return run.outputBytes == kBulkBytes && run.outputHead == std::string(16, 'x') &&
               run.exitStatus == "0";
    };
    PrintDeviations("10 MiB client", bulkRuns.client, isBulk);
    PrintDeviations("10 MiB bare", bulkRuns.bare, isBulk);

    std::printf("\nhostile servers (client only; overrun = elapsed - budget)\n");
    double maximum = -1e9;
    std::string worst;
    for (const HostileCase& entry : hostile) {
        const double overrun = entry.elapsedMs - static_cast<double>(entry.budget);
        std::printf("  %-24s elapsed %7.1f ms  budget %5lld ms  overrun %7.1f ms  %s\n",
                    entry.name.c_str(), entry.elapsedMs, static_cast<long long>(entry.budget),
                    overrun, entry.outcome.c_str());
        if (overrun > maximum) {
            maximum = overrun;
            worst = entry.name;
        }
    }
    if (maximum > 0) {
        std::printf("hostile max overrun %7.1f ms  (%s)  (target < 20 ms)\n", maximum,
                    worst.c_str());
    } else {
        std::printf("hostile max overrun    none  (largest %.1f ms, %s)  (target < 20 ms)\n",
                    maximum, worst.c_str());
    }
    PrintLoad("at end");
    libssh2_exit();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr,
                     "usage: %s <sshd-fixture-state-folder> [<asyncssh-fixture-state-folder>]\n",
                     argv[0]);
        return 2;
    }
    try {
        return Run(argv[1], argc == 3 ? argv[2] : "");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ssh_client_benchmark: %s\n", error.what());
        return 1;
    }
}
