// The exporter's life as a process: its command line, a refused start, reloads
// and the end on SIGTERM.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "exporter/ExporterFixture.h"
#include "exporter/ExporterTestSupport.h"

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

    // Credentials that nothing keeps from any server are refused, unless the module
    // says it is insecure; its allowed targets are all it probes.
    const std::string added = "  added:\n    username: u\n    password: p\n";
    WriteConfig(Modules() + added);
    EXPECT_THAT(VekTest::HttpPost(exporter.Port(), "/-/reload").body,
                HasSubstr("names no host_key_fingerprints"));
    WriteConfig(Modules() + added + "    insecure_skip_host_key_check: true\n" +
                "    allowed_targets: ['127\\.0\\.0\\.1:1']\n");
    const VekTest::HttpReply reloaded = VekTest::HttpPost(exporter.Port(), "/-/reload");
    EXPECT_EQ(reloaded.body, "Configuration reloaded\n");
    EXPECT_EQ(HttpGet(exporter.Port(), "/probe?target=127.0.0.1:1&module=added").status, 200);
    const std::string refusal = "Target \"127.0.0.1:10\" is not allowed for module \"added\"";
    const VekTest::HttpReply denied =
        HttpGet(exporter.Port(), "/probe?target=127.0.0.1:10&module=added");
    EXPECT_EQ(denied.status, 403);
    EXPECT_EQ(denied.body, refusal + "\n");
    EXPECT_EQ(SampleValue(HttpGet(exporter.Port(), "/metrics").body,
                          "vek_exporter_module_insecure{module=\"added\"}"),
              1);
    EXPECT_THAT(
        exporter.Process().Log(),
        testing::AllOf(HasSubstr("level=warn msg=\"Module sets insecure_skip_host_key_check: its "
                                 "credentials may go to servers whose host keys nothing vouches "
                                 "for\" module=added\n"),
                       HasSubstr("level=warn msg=\"Target not allowed for module\" module=added "
                                 "target=127.0.0.1:10\n"),
                       Not(HasSubstr(sshd_.password))));
}

TEST_F(ExporterProcessTest, AModuleThatTrustsNoServerIsRefusedAtStart) {
    WriteConfig("modules:\n  m:\n    username: u\n    password_file: " + dir_.File("password"));
    ExporterProcess exporter = Start();
    const auto status = exporter.Process().WaitForExit(seconds(20));
    EXPECT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 1);
    EXPECT_THAT(
        exporter.Process().Log(),
        HasSubstr("level=error msg=\"Error loading configuration\" err=\"" +
                  dir_.File("config.yml") +
                  ": module \\\"m\\\": it sends credentials but names no host_key_fingerprints "
                  "or known_hosts_file; add one, or set insecure_skip_host_key_check: true\"\n"));
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
                HasSubstr("msg=\"Error loading configuration\" err=\"" + dir_.File("config.yml") +
                          ": module \\\"password\\\": password_file " + dir_.File("password") +
                          ": its mode 0644 lets group or others access it; run chmod 600 on "
                          "it\"\n"));
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
    EXPECT_THAT(exporter.Process().Log(),
                HasSubstr(" reason=\"stopped for shutdown: killed because the exporter is ending\" "
                          "probe_error=(none)\n"));
    // The waiting scrape starts no probe: it is answered 503, or, had the server
    // not taken its connection yet, not at all.
    EXPECT_THAT(queued.status, testing::AnyOf(503, 0)) << queued.body;
}

TEST(ExporterCommandLine, HelpAndRefusals) {
    VekTest::TempDir dir;
    VekTest::WriteFile(dir.File("empty.yml"), "modules: {}\n");
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        std::string text;
    } cases[] = {
        {{"--help"}, 0, "usage: vek-exporter [options]"},
        {{"-h"}, 0, "--probe.max-concurrent=N"},
        {{"--version"}, 0, "vek-exporter, version "},
        {{"--log.level=loud"}, 2, "--log.level: \"loud\" is not debug, info, warn or error"},
        {{"--log.format", "xml"}, 2, "--log.format: \"xml\" is not logfmt or json"},
        {{"--bogus"}, 2, "vek-exporter: unknown option: --bogus\n\nusage: vek-exporter"},
        {{"--probe.max-concurrent=0"}, 2, "is not a number from 1 to 4096"},
        {{"--web.listen-address", "nonsense"}, 2, "is not [host]:port"},
        {{"--config.file"}, 2, "option --config.file needs a value"},
        {{"--config.file=/nonexistent.yml", std::string("--probe.path=") + VEK_BINARY},
         1,
         "/nonexistent.yml: cannot be read"},
        {{"--config.file=" + dir.File("empty.yml"), "--web.config.file=/nonexistent/web.yml",
          "--web.listen-address=127.0.0.1:0"},
         1,
         "msg=\"Error loading the web configuration\" err=\"/nonexistent/web.yml: cannot open"},
        {{"--probe.path=/nonexistent"},
         1,
         "msg=\"The probe is not an executable file; give its path with --probe.path\" "
         "probe=/nonexistent\n"},
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
