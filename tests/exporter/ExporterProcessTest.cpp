// The built exporter as a process of its own, probing the fixture sshd with the
// built probe.

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "exporter/ExporterTestSupport.h"
#include "fixtures/HostilePorts.h"
#include "fixtures/SshdFixture.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using testing::HasSubstr;
using testing::Not;
using VekTest::ExporterProcess;
using VekTest::HttpGet;
using VekTest::SampleValue;

class ExporterProcessTest : public testing::Test {
protected:
    void SetUp() override {
        sshd_ = VekTest::ReadSshdEndpoint();
        VekTest::WriteFile(dir_.File("password"), sshd_.password + "\n");
        WriteConfig(Modules());
    }

    std::string Modules() const {
        const std::string login = "    username: " + VekTest::YamlQuoted(sshd_.user) +
                                  "\n    password_file: " + dir_.File("password") + "\n";
        return "modules:\n"
               "  password:\n" +
               login +
               "    command: \"echo hello; exit 3\\n\"\n"
               "  wrong:\n    username: " +
               VekTest::YamlQuoted(sshd_.user) +
               "\n    password: not-the-password\n"
               "  slow:\n" +
               login + "    command: \"sleep 30\\n\"\n    timeout: 30s\n";
    }

    void WriteConfig(const std::string& text) const {
        VekTest::WriteFile(dir_.File("config.yml"), text, 0644);
    }

    ExporterProcess Start(std::vector<std::string> arguments = {}) const {
        arguments.push_back("--config.file=" + dir_.File("config.yml"));
        return ExporterProcess(dir_.File("exporter.log"), std::move(arguments));
    }

    std::string ProbePath(const std::string& module, unsigned short port = 0) const {
        return "/probe?module=" + module +
               "&target=127.0.0.1:" + std::to_string(port == 0 ? sshd_.port : port);
    }

    VekTest::TempDir dir_;
    VekTest::SshdEndpoint sshd_;
};

// Waits until the exporter has a probe child running; its pid, or -1.
pid_t RunningProbe(pid_t exporter, milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const auto& child : VekTest::ChildrenOf(exporter)) {
            if (child.state != 'Z') {
                return child.pid;
            }
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    return -1;
}

TEST_F(ExporterProcessTest, ProbesAnswerWithMetricsThatPromtoolAccepts) {
    ExporterProcess exporter = Start();
    ASSERT_TRUE(exporter.Started()) << exporter.Process().Log();
    const VekTest::RefusedPort refused;
    const struct {
        std::string path;
        double success;
        std::string mustHave;
    } cases[] = {
        {ProbePath("password"), 1, "probe_ssh_stage_duration_seconds{stage=\"command_execution\"}"},
        {ProbePath("wrong"), 0,
         "probe_ssh_error_info{code=\"qo-ssh.results.error.authentication-failed\"} 1"},
        {ProbePath("password", refused.Port()), 0,
         "probe_ssh_error_info{code=\"common.results.error.unknown-connect-failure\"} 1"},
        {"/probe?module=password&target=host:99999", 0,
         "probe_ssh_error_info{code=\"probe-failed\"} 1"},
    };
    for (const auto& c : cases) {
        const VekTest::HttpReply reply = HttpGet(exporter.Port(), c.path, "20");
        ASSERT_EQ(reply.status, 200) << c.path << "\n" << reply.body;
        EXPECT_EQ(SampleValue(reply.body, "probe_success"), c.success) << reply.body;
        EXPECT_THAT(reply.body, HasSubstr(c.mustHave));
        EXPECT_EQ(VekTest::PromtoolProblems(reply.body), std::nullopt);
    }
    const VekTest::HttpReply success = HttpGet(exporter.Port(), ProbePath("password"), "20");
    EXPECT_EQ(SampleValue(success.body, "probe_ssh_command_exit_code"), 3);
    EXPECT_EQ(SampleValue(success.body, "probe_ssh_command_output_bytes"), 6);
    EXPECT_THAT(success.body, HasSubstr("probe_ssh_host_key_info{fingerprint_sha256=\""));

    const VekTest::HttpReply own = HttpGet(exporter.Port(), "/metrics");
    EXPECT_EQ(VekTest::PromtoolProblems(own.body), std::nullopt);
    EXPECT_EQ(
        SampleValue(own.body, "vek_exporter_probes_total{module=\"password\",outcome=\"success\"}"),
        2);
    EXPECT_EQ(
        SampleValue(own.body,
                    "vek_exporter_probes_total{module=\"password\",outcome=\"probe_failed\"}"),
        1);
    EXPECT_EQ(SampleValue(own.body, "vek_exporter_probe_processes"), 0);
    // The failed probe's last line is logged, and names the reason.
    EXPECT_THAT(exporter.Process().Log(), HasSubstr("host:99999 is not valid"));

    const VekTest::HttpReply index = HttpGet(exporter.Port(), "/");
    EXPECT_THAT(index.body, HasSubstr("module=slow"));
    EXPECT_THAT(index.body, Not(HasSubstr(sshd_.user)));
}

TEST_F(ExporterProcessTest, BadRequestsAreRefusedWithAText) {
    ExporterProcess exporter = Start();
    ASSERT_TRUE(exporter.Started()) << exporter.Process().Log();
    const std::pair<std::string, std::string> cases[] = {
        {"/probe?target=127.0.0.1&module=nope", "Unknown module \"nope\"\n"},
        {"/probe?module=password", "Target parameter is missing\n"},
        {"/probe?target=127.0.0.1", "Module parameter is missing\n"},
    };
    for (const auto& [path, text] : cases) {
        const VekTest::HttpReply reply = HttpGet(exporter.Port(), path);
        EXPECT_EQ(reply.status, 400) << path;
        EXPECT_EQ(reply.body, text);
    }
}

TEST_F(ExporterProcessTest, FiftyConcurrentScrapesWithEightSlotsAllAnswerAndLeaveNoZombie) {
    ExporterProcess exporter = Start({"--probe.max-concurrent", "8"});
    ASSERT_TRUE(exporter.Started()) << exporter.Process().Log();
    const pid_t pid = exporter.Process().Pid();
    std::atomic<bool> done{false};
    std::size_t mostRunning = 0;
    std::thread watcher([&] {
        while (!done) {
            const auto children = VekTest::ChildrenOf(pid);
            mostRunning = std::max(mostRunning, children.size());
            std::this_thread::sleep_for(milliseconds(5));
        }
    });
    std::vector<VekTest::HttpReply> replies(50);
    std::vector<std::thread> scrapes;
    for (auto& reply : replies) {
        scrapes.emplace_back(
            [&] { reply = HttpGet(exporter.Port(), ProbePath("password"), "60"); });
    }
    for (auto& scrape : scrapes) {
        scrape.join();
    }
    done = true;
    watcher.join();
    for (const auto& reply : replies) {
        ASSERT_EQ(reply.status, 200) << reply.body;
        EXPECT_EQ(SampleValue(reply.body, "probe_success"), 1) << reply.body;
    }
    EXPECT_LE(mostRunning, 8u);
    // Every probe was reaped before its scrape was answered.
    EXPECT_TRUE(VekTest::ChildrenOf(pid).empty());
    const VekTest::HttpReply own = HttpGet(exporter.Port(), "/metrics");
    EXPECT_EQ(
        SampleValue(own.body, "vek_exporter_probes_total{module=\"password\",outcome=\"success\"}"),
        50);
}

TEST_F(ExporterProcessTest, AScrapeTimeoutShorterThanTheCommandStillGivesMetrics) {
    ExporterProcess exporter = Start();
    ASSERT_TRUE(exporter.Started()) << exporter.Process().Log();
    // 2.5 s of scrape leave 2 s to the probe; the command sleeps 30 s.
    const VekTest::HttpReply reply = HttpGet(exporter.Port(), ProbePath("slow"), "2.5");
    ASSERT_EQ(reply.status, 200);
    EXPECT_EQ(SampleValue(reply.body, "probe_success"), 0);
    // The probe's own timeout ends the command; on a loaded machine the timeout may
    // strike an earlier stage, or the exporter may have to kill the probe.
    EXPECT_THAT(reply.body,
                testing::ContainsRegex(
                    "probe_ssh_error_info\\{code=\"(qo-ssh.results.error.command-execution-timeout|"
                    "common.results.error.other.too-much-time|probe-failed)\"\\} 1"));
    // Killed at the latest 2 s after its own limit.
    EXPECT_LT(reply.elapsed, milliseconds(4000 + 1500));
    EXPECT_TRUE(VekTest::ChildrenOf(exporter.Process().Pid()).empty());
}

TEST_F(ExporterProcessTest, ABadFileOnReloadKeepsTheOldConfiguration) {
    ExporterProcess exporter = Start();
    ASSERT_TRUE(exporter.Started()) << exporter.Process().Log();
    WriteConfig("modules: [");
    const VekTest::HttpReply refused = VekTest::HttpPost(exporter.Port(), "/-/reload");
    EXPECT_EQ(refused.status, 500);
    EXPECT_THAT(refused.body, HasSubstr("failed to reload config: " + dir_.File("config.yml") +
                                        ": not valid YAML"));
    // A secret others may read is refused on SIGHUP as well.
    VekTest::WriteFile(dir_.File("open-password"), sshd_.password, 0644);
    WriteConfig("modules:\n  other:\n    username: u\n    password_file: " +
                dir_.File("open-password") + "\n");
    exporter.Process().Signal(SIGHUP);
    EXPECT_TRUE(exporter.Process().WaitForLog("run chmod 600 on it", seconds(10)));
    EXPECT_EQ(
        SampleValue(HttpGet(exporter.Port(), ProbePath("password"), "20").body, "probe_success"),
        1);
    const VekTest::HttpReply own = HttpGet(exporter.Port(), "/metrics");
    EXPECT_EQ(SampleValue(own.body, "vek_exporter_config_last_reload_successful"), 0);
    EXPECT_EQ(SampleValue(own.body, "vek_exporter_config_reload_failures_total"), 2);

    WriteConfig(Modules() + "  added:\n    username: u\n    password: p\n");
    const VekTest::HttpReply reloaded = VekTest::HttpPost(exporter.Port(), "/-/reload");
    EXPECT_EQ(reloaded.status, 200);
    EXPECT_EQ(reloaded.body, "Configuration reloaded\n");
    EXPECT_EQ(HttpGet(exporter.Port(), "/probe?target=127.0.0.1:1&module=added").status, 200);
    EXPECT_THAT(exporter.Process().Log(), Not(HasSubstr(sshd_.password)));
}

TEST_F(ExporterProcessTest, ASecretFileOthersMayReadIsRefusedAtStart) {
    VekTest::WriteFile(dir_.File("password"), sshd_.password + "\n", 0644);
    ExporterProcess exporter = Start();
    EXPECT_FALSE(exporter.Started());
    const auto status = exporter.Process().WaitForExit(seconds(20));
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1);
    const std::string log = exporter.Process().Log();
    EXPECT_THAT(log,
                HasSubstr("Error loading configuration: " + dir_.File("config.yml") +
                          ": module \"password\": secret file " + dir_.File("password") +
                          ": its mode 0644 lets group or others access it; run chmod 600 on it"));
    EXPECT_THAT(log, Not(HasSubstr(sshd_.password)));
}

TEST_F(ExporterProcessTest, NoProcessShowsACredentialWhileAProbeRuns) {
    ExporterProcess exporter = Start();
    ASSERT_TRUE(exporter.Started()) << exporter.Process().Log();
    std::thread scrape([&] { HttpGet(exporter.Port(), ProbePath("slow"), "3"); });
    const pid_t probe = RunningProbe(exporter.Process().Pid(), seconds(20));
    std::string seen;
    if (probe > 0) {
        seen += VekTest::ProcText(probe, "cmdline") + VekTest::ProcText(probe, "environ");
    }
    seen += VekTest::ProcText(exporter.Process().Pid(), "cmdline") +
            VekTest::ProcText(exporter.Process().Pid(), "environ");
    const std::string psFile = dir_.File("ps.txt");
    const std::string command = "ps -eww -o pid,args > '" + psFile + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    scrape.join();
    ASSERT_GT(probe, 0) << "no probe process seen";
    std::ifstream psOutput(psFile);
    seen.append(std::istreambuf_iterator<char>(psOutput), std::istreambuf_iterator<char>());
    EXPECT_THAT(seen, HasSubstr("vek-exporter"));
    EXPECT_THAT(seen, Not(HasSubstr(sshd_.password)));
}

TEST_F(ExporterProcessTest, AFailingProbeGivesProbeFailedAndAMaskedLogLine) {
    // A stand-in probe that echoes its input (with the password) to standard error.
    VekTest::WriteFile(dir_.File("failing-probe"),
                       "#!/bin/sh\nread -r line\necho \"oops: $line\" >&2\nexit 1\n", 0700);
    ExporterProcess exporter = Start({"--probe.path=" + dir_.File("failing-probe")});
    ASSERT_TRUE(exporter.Started()) << exporter.Process().Log();
    const VekTest::HttpReply reply = HttpGet(exporter.Port(), ProbePath("password"), "10");
    EXPECT_EQ(SampleValue(reply.body, "probe_success"), 0);
    EXPECT_THAT(reply.body, HasSubstr("probe_ssh_error_info{code=\"probe-failed\"} 1"));
    const std::string log = exporter.Process().Log();
    EXPECT_THAT(log, HasSubstr("failed (exit code 1); its last error line: >>MASKED<<"));
    EXPECT_THAT(log, Not(HasSubstr(sshd_.password)));
}

TEST_F(ExporterProcessTest, SigtermLetsRunningProbesFinishWithinFiveSeconds) {
    ExporterProcess exporter = Start({"--probe.max-concurrent=1"});
    ASSERT_TRUE(exporter.Started()) << exporter.Process().Log();
    VekTest::HttpReply running;
    VekTest::HttpReply queued;
    std::thread first([&] { running = HttpGet(exporter.Port(), ProbePath("slow"), "60"); });
    ASSERT_GT(RunningProbe(exporter.Process().Pid(), seconds(20)), 0);
    // This one waits for the only probe slot.
    std::thread second([&] { queued = HttpGet(exporter.Port(), ProbePath("password"), "60"); });
    std::this_thread::sleep_for(milliseconds(300));
    const auto start = std::chrono::steady_clock::now();
    exporter.Process().Signal(SIGTERM);
    const auto status = exporter.Process().WaitForExit(seconds(10));
    const auto took = std::chrono::steady_clock::now() - start;
    first.join();
    second.join();
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << exporter.Process().Log();
    EXPECT_LT(took, milliseconds(5000 + 1500));
    EXPECT_EQ(running.status, 200) << "the running scrape is still answered";
    EXPECT_EQ(SampleValue(running.body, "probe_success"), 0);
    // The waiting scrape starts no probe: it is answered 503, or, had the server
    // not taken its connection yet, not at all.
    EXPECT_THAT(queued.status, testing::AnyOf(503, 0)) << queued.body;
}

TEST(ExporterCommandLine, HelpAndRefusals) {
    VekTest::TempDir dir;
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        std::string text;
    } cases[] = {
        {{"--help"}, 0, "usage: vek-exporter [options]"},
        {{"-h"}, 0, "--probe.max-concurrent=N"},
        {{"--bogus"}, 2, "vek-exporter: unknown option: --bogus\n\nusage: vek-exporter"},
        {{"--probe.max-concurrent=0"}, 2, "is not a number from 1 to 4096"},
        {{"--web.listen-address", "nonsense"}, 2, "is not [host]:port"},
        {{"--config.file"}, 2, "option --config.file needs a value"},
        {{"--config.file=/nonexistent.yml", std::string("--probe.path=") + VEK_BINARY},
         1,
         "/nonexistent.yml: cannot be read"},
        {{"--probe.path=/nonexistent"}, 1, "The probe /nonexistent is not an executable file"},
    };
    for (const auto& c : cases) {
        VekTest::BackgroundProcess process(VEK_EXPORTER_BINARY, c.arguments, dir.File("log"));
        const auto status = process.WaitForExit(seconds(20));
        ASSERT_TRUE(status);
        EXPECT_TRUE(WIFEXITED(*status));
        EXPECT_EQ(WEXITSTATUS(*status), c.exitCode) << c.arguments[0];
        EXPECT_THAT(process.Log(), HasSubstr(c.text));
        ::unlink(dir.File("log").c_str());
    }
}

}  // namespace
