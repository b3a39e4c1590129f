// The plugin contract: check_vek answers within -t plus 0.1 s whatever hangs, gives
// UNKNOWN for faults of its own configuration (--extra-opts files included), and
// answers check_ssh's command lines with the state of Debian's check_ssh.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fixtures/LoopbackServer.h"
#include "fixtures/SshdFixture.h"
#include "plugin/PluginProcess.h"

namespace {

using VekTest::SecretFile;

struct ContractCase {
    std::string name;
    std::vector<std::string> arguments;
    std::string state;
    // A regular expression for the whole status text.
    std::string text;
    // check_ssh, run with the same arguments, answers with the same state.
    bool asCheckSsh = false;
};

// The time check_vek reports for itself (its "time" item), else the time the test
// saw it run: a timeout answer is written at once after the moment it reports.
double AnsweredAfter(const VekTest::PluginRun& run) {
    const VekTest::PerfdataItem* time = VekTest::FindPerfdata(run.answer, "time");
    return time != nullptr ? std::stod(time->value)
                           : std::chrono::duration<double>(run.process.elapsed).count();
}

TEST(CheckVekContractTest, EveryCaseEndsWithinTheTimeoutInItsState) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    const std::vector<std::string> target = {"-H", sshd.host, "-p", std::to_string(sshd.port)};
    const SecretFile frozen("#!/bin/sh\nkill -STOP $$\n", "700");
    const VekTest::LoopbackServer silent(VekTest::StaySilent());
    const std::string fifo = frozen.Path() + ".fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const SecretFile wrongPassphrase("not-" + sshd.keyPassphrase + "\n");
    const std::string login = "logname = " + sshd.user + "\npassword = " + sshd.password + "\n";
    const SecretFile ini("[check_vek]\n" + login + "[audit]\n# none\n");
    const SecretFile leakedIni("[check_vek]\n" + login, "644");
    ::setenv("MP_CONFIG_FILE", ini.Path().c_str(), 1);
    const std::string version = "OpenSSH_[^ ]+ [^|]* \\(protocol 2\\.0\\) ";
    const std::string ok = "127\\.0\\.0\\.1:[0-9]+ SSH-2\\.0-OpenSSH_[^|]+ in [0-9.]+ s";

    const std::vector<ContractCase> cases = {
        {"frozen probe",
         {"--probe", frozen.Path(), "-t", "2"},
         "CRITICAL",
         "timeout \\(no result within -t 2 s; the probe was killed\\)"},
        {"frozen probe, check_tcp's -t form",
         {"--probe", frozen.Path(), "-t", "2:WARNING"},
         "WARNING",
         "timeout \\(no result within -t 2 s; the probe was killed\\)"},
        {"FIFO password file",
         {"-l", sshd.user, "--password-file", fifo, "-t", "2"},
         "UNKNOWN",
         "--password-file .*\\.fifo: is a FIFO, not a regular file"},
        // The probe's own time-out, or, when a busy machine started it late, check_vek's.
        {"silent server",
         {"-H", "127.0.0.1", "-p", std::to_string(silent.Port()), "-t", "2"},
         "CRITICAL",
         "timeout \\((A timeout occurred\\. Reason: SSH handshake timed out\\.|no result within -t "
         "2 s; the probe was killed)\\)"},
        // Local faults.
        {"directory as password file",
         {"-l", sshd.user, "--password-file", "/tmp"},
         "UNKNOWN",
         "--password-file /tmp: is a directory, not a regular file"},
        {"locked key without its passphrase",
         {"-l", sshd.user, "-i", sshd.encryptedKey},
         "UNKNOWN",
         "the private key cannot be loaded or unlocked \\(wrong or missing passphrase\\?\\) "
         "\\(User authentication failed with status: -16\\)"},
        {"wrong passphrase",
         {"-l", sshd.user, "-i", sshd.encryptedKey, "--passphrase-file", wrongPassphrase.Path()},
         "UNKNOWN",
         "the private key cannot be loaded or unlocked .*"},
        {"--expect-exit without -C",
         {"-l", sshd.user, "--expect-exit", "1"},
         "UNKNOWN",
         "--expect-exit needs a command \\(-C\\)"},
        {"ini file others may read",
         {"--extra-opts=@" + leakedIni.Path()},
         "UNKNOWN",
         "--extra-opts .*: its mode 0644 lets group or others access it; run chmod 600 on it"},
        {"no such ini section",
         {"--extra-opts=other"},
         "UNKNOWN",
         "--extra-opts: .* has no section \\[other\\]"},
        // User and password from $MP_CONFIG_FILE's section check_vek; a handshake
        // only with the section audit.
        {"login through --extra-opts", {"--extra-opts", "-C", "true"}, "OK", ok},
        {"handshake only through --extra-opts", {"--extra-opts", "audit"}, "OK", ".*\\(kex .*"},
        // check_ssh's options; without -l the handshake only.
        {"handshake only",
         {},
         "OK",
         "127\\.0\\.0\\.1:[0-9]+ SSH-2\\.0-OpenSSH_[^|(]+ \\(kex [^,]+, host key [^,]+, cipher "
         "[^,]+, MAC [^)]+\\) in [0-9.]+ s",
         true},
        {"-t 5", {"-t", "5"}, "OK", ".*", true},
        {"-r not the whole version",
         {"-r", "OpenSSH_9.2p1"},
         "CRITICAL",
         version + "version mismatch, expected 'OpenSSH_9\\.2p1'",
         true},
        {"-P 2.0", {"-P", "2.0"}, "OK", ".*", true},
        {"-P 1.99",
         {"-P", "1.99"},
         "CRITICAL",
         version + "protocol version mismatch, expected '1\\.99'",
         true},
    };
    for (const ContractCase& entry : cases) {
        SCOPED_TRACE(entry.name);
        std::vector<std::string> arguments = target;
        arguments.insert(arguments.end(), entry.arguments.begin(), entry.arguments.end());
        const VekTest::PluginRun run = VekTest::RunPlugin(arguments);
        EXPECT_EQ(run.answer.state, entry.state) << run.answer.text;
        EXPECT_TRUE(std::regex_match(run.answer.text, std::regex(entry.text)))
            << run.answer.text << "\n  does not match " << entry.text;
        const auto t = std::find(arguments.begin(), arguments.end(), "-t");
        const double timeout = t == arguments.end() ? 10 : std::stod(*(t + 1));
        EXPECT_LE(AnsweredAfter(run), timeout + 0.1) << run.process.standardOutput;
        if (run.answer.text.find("handshake timed out") != std::string::npos) {
            // The stage that ran out of time is there, with the time it ran.
            const VekTest::PerfdataItem* banner = VekTest::FindPerfdata(run.answer, "banner");
            ASSERT_NE(banner, nullptr) << run.process.standardOutput;
            EXPECT_GE(std::stod(banner->value), timeout - 0.1);
        }
        if (entry.asCheckSsh) {
            VekTest::ProbeRequest request;
            request.arguments = arguments;
            // monitoring-plugins-basic, which scripts/bootstrap installs.
            const VekTest::ProbeRun checkSsh =
                VekTest::RunProbe("/usr/lib/nagios/plugins/check_ssh", request);
            EXPECT_EQ(run.process.exitCode, checkSsh.exitCode) << checkSsh.standardOutput;
        }
    }
    ::unsetenv("MP_CONFIG_FILE");
    ::unlink(fifo.c_str());
}

}  // namespace
