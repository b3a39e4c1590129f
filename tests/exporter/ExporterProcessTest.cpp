// The built exporter as a process of its own, probing the fixture sshd with the
// built probe.

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include "exporter/ExporterFixture.h"
#include "exporter/ExporterTestSupport.h"
#include "fixtures/HostilePorts.h"
#include "fixtures/SshdFixture.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using testing::HasSubstr;
using testing::Not;
using VekTest::ExporterProcess;
using VekTest::ExporterProcessTest;
using VekTest::HttpGet;
using VekTest::RunningProbe;
using VekTest::SampleValue;

TEST_F(ExporterProcessTest, ProbesAnswerWithMetricsThatPromtoolAccepts) {
    ExporterProcess exporter = Start({"--log.level=debug"});
    ASSERT_TRUE(exporter.Started()) << exporter.Process().Log();
    const VekTest::RefusedPort refused;
    const struct {
        std::string path;
        double success;
        std::string mustHave;
    } cases[] = {
        {ProbePath("password"), 1, "probe_ssh_stage_duration_seconds{stage=\"exec\"}"},
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
    EXPECT_THAT(own.body, testing::ContainsRegex("vek_exporter_build_info\\{version=\"[0-9.]+\","
                                                 "revision=\"[0-9a-f]{12}|unknown\"\\} 1"));
    // The failed probe's last line is logged, and names the reason; at debug, each
    // failed test is logged with its error key.
    EXPECT_THAT(exporter.Process().Log(), HasSubstr("host:99999 is not valid"));
    EXPECT_THAT(exporter.Process().Log(),
                HasSubstr("level=debug msg=\"Probe failed\" module=wrong target=127.0.0.1:" +
                          std::to_string(sshd_.port) +
                          " error=qo-ssh.results.error.authentication-failed\n"));

    const VekTest::HttpReply index = HttpGet(exporter.Port(), "/");
    EXPECT_THAT(index.body, HasSubstr("module=slow"));
    EXPECT_THAT(index.body, Not(HasSubstr(sshd_.user)));
}

TEST_F(ExporterProcessTest, PagesAnswerWithTheirStatusAndAText) {
    ExporterProcess exporter = Start();
    ASSERT_TRUE(exporter.Started()) << exporter.Process().Log();
    const struct {
        std::string path;
        int status;
        std::string text;
    } cases[] = {
        {"/probe?target=127.0.0.1&module=nope", 400, "Unknown module \"nope\"\n"},
        {"/probe?module=password", 400, "Target parameter is missing\n"},
        {"/probe?target=127.0.0.1", 400, "Module parameter is missing\n"},
        {"/probe?target=host?x&module=password", 400,
         "Bad request: the query holds a literal \"?\"; write it as %3F, for example "
         "target=host%3Fname\n"},
        {"/-/healthy", 200, "vek-exporter is Healthy.\n"},
        {"/-/ready", 200, "vek-exporter is Ready.\n"},
        {"/-/reload", 405, "Only POST requests allowed\n"},
    };
    for (const auto& c : cases) {
        const VekTest::HttpReply reply = HttpGet(exporter.Port(), c.path);
        EXPECT_EQ(reply.status, c.status) << c.path;
        EXPECT_EQ(reply.body, c.text);
    }
    EXPECT_THAT(exporter.Process().Log(),
                HasSubstr(" level=warn msg=\"Refused a request whose query holds a literal "
                          "\\\"?\\\"\" target=\"/probe?target=host?x&module=password\"\n"));
}

TEST_F(ExporterProcessTest, ListensOnIpv6AndIpv4WithALongBacklog) {
    VekTest::BackgroundProcess exporter(
        VEK_EXPORTER_BINARY,
        {"--config.file=" + dir_.File("config.yml"), "--web.listen-address=:0"},
        dir_.File("dual.log"));
    ASSERT_TRUE(exporter.WaitForLog("msg=\"Listening on\" address=[::]:", seconds(20)))
        << exporter.Log();
    std::smatch port;
    const std::string log = exporter.Log();
    ASSERT_TRUE(std::regex_search(log, port, std::regex("address=\\[::\\]:([0-9]+)")));
    for (const char* host : {"127.0.0.1", "::1"}) {
        httplib::Client client(host, std::stoi(port[1]));
        const auto reply = client.Get("/-/healthy");
        EXPECT_TRUE(reply && reply->status == 200) << host;
    }
    // ss: "LISTEN <queued> <backlog> [::]:<port> ..." once the socket takes both families.
    const std::string ss = dir_.File("ss.txt");
    ASSERT_EQ(std::system(("ss -Hltn 'sport = :" + port[1].str() + "' > " + ss).c_str()), 0);
    std::ifstream listing(ss);
    std::string state, queued, local;
    long backlog = 0;
    ASSERT_TRUE(listing >> state >> queued >> backlog >> local);
    EXPECT_GE(backlog, 128);
    EXPECT_EQ(local, "*:" + port[1].str());
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
    EXPECT_THAT(log,
                HasSubstr("error=probe-failed reason=\"exit code 1\" probe_error=>>MASKED<<\n"));
    EXPECT_THAT(log, Not(HasSubstr(sshd_.password)));
}

}  // namespace
