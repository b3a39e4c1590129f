// check_vek against the private OpenSSH server: the command checks, the host key,
// IPv6, the timeout state.

#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fixtures/OpenSshFingerprint.h"
#include "fixtures/SshdFixture.h"
#include "plugin/PluginProcess.h"

namespace {

using VekTest::PluginRun;
using VekTest::RunCases;
using VekTest::RunPlugin;
using VekTest::SecretFile;

class CheckVekSshdTest : public testing::Test {
protected:
    void SetUp() override {
        sshd_ = VekTest::ReadSshdEndpoint();
        password_ = std::make_unique<SecretFile>(sshd_.password + "\n");
        base_ = {"-H",
                 sshd_.host,
                 "-p",
                 std::to_string(sshd_.port),
                 "-l",
                 sshd_.user,
                 "--password-file",
                 password_->Path()};
        target_ = "127\\.0\\.0\\.1:" + std::to_string(sshd_.port);
    }

    VekTest::SshdEndpoint sshd_;
    std::unique_ptr<SecretFile> password_;
    std::vector<std::string> base_;
    std::string target_;
};

TEST_F(CheckVekSshdTest, CommandExitStatusAndOutput) {
    const std::vector<PluginRun> runs = RunCases(
        {{"output matches",
          {"-C", "echo hello; uname", "-e", "^Linux$"},
          "OK",
          "{target} in {s} s"},
         {"output does not match",
          {"-C", "echo hello", "-e", "bye|^ello"},
          "CRITICAL",
          "output does not match 'bye\xc2\xa6\\^ello'"},
         {"exit 3 not expected", {"-C", "exit 3"}, "CRITICAL", "exit status 3, expected 0"},
         {"exit 3 expected", {"-C", "exit 3", "--expect-exit", "3"}, "OK", "{target} in {s} s"},
         {"exit 0, 1 expected",
          {"-C", "true", "--expect-exit", "1"},
          "CRITICAL",
          "exit status 0, expected 1"},
         {"a bar in the output", {"-C", "echo 'a|b=1'"}, "OK", "{target} in {s} s"},
         {"output beyond 4 KiB",
          {"-C", "head -c 10000 /dev/zero | tr '\\0' x; echo"},
          "OK",
          "{target} in {s} s"}},
        base_, target_);
    ASSERT_EQ(runs.size(), 7u);
    EXPECT_EQ(runs[0].answer.longOutput, "hello\nLinux\n");
    EXPECT_EQ(VekTest::FindPerfdata(runs[0].answer, "output_bytes")->value, "12");
    EXPECT_EQ(runs[2].answer.longOutput, "");
    EXPECT_EQ(runs[5].answer.longOutput,
              "a\xc2\xa6"
              "b=1\n");
    EXPECT_EQ(runs[6].answer.longOutput,
              std::string(4096, 'x') + "\n(output cut to 4096 of 10001 bytes)\n");
    EXPECT_EQ(VekTest::FindPerfdata(runs[6].answer, "output_bytes")->value, "10001");
}

TEST_F(CheckVekSshdTest, HostKeyAndAuthentication) {
    std::string fingerprint;
    {
        const std::string command =
            "ssh-keygen -lf " + std::string(VEK_SSHD_FIXTURE_DIR) + "/ssh_host_ed25519_key.pub";
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char line[512] = {};
        const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
        ::pclose(pipe);
        ASSERT_TRUE(read);
        std::smatch match;
        const std::string text = line;
        ASSERT_TRUE(std::regex_search(text, match, std::regex("SHA256:[A-Za-z0-9+/]{43}")));
        fingerprint = match[0];
    }
    const std::string other = "SHA256:" + std::string(43, 'A');
    const SecretFile wrong("not-" + sshd_.password + "\n");
    RunCases({{"the right key", {"--host-key", fingerprint}, "OK", "{target} in {s} s"},
              {"one of several keys",
               {"--host-key", other + "," + fingerprint},
               "OK",
               "{target} in {s} s"},
              {"another key",
               {"--host-key", other},
               "CRITICAL",
               // The probe refuses the key before the password goes out.
               "host key mismatch \\(Host key " +
                   std::regex_replace(fingerprint, std::regex("[+]"), "\\+") +
                   " is not one of the expected keys\\.\\)"},
              {"wrong password",
               {"--password-file", wrong.Path()},
               "CRITICAL",
               "authentication failed \\(User authentication failed with status: -18\\)"}},
             base_, target_);

    const std::string key = VekTest::KnownHostsKey(VekTest::kSshdHostKey);
    const SecretFile otherName("127.0.0.1" + key);
    const SecretFile revoked("@revoked *" + key);
    RunCases(
        {{"listed",
          {"--known-hosts", VekTest::kSshdKnownHosts, "--host-key", other},
          "OK",
          "{target} in {s} s"},
         {"no line for the name",
          {"--known-hosts", otherName.Path()},
          "UNKNOWN",
          "host key unknown \\(The known hosts list no key for \\[127\\.0\\.0\\.1\\]:[0-9]+\\.\\)"},
         {"revoked",
          {"--known-hosts", revoked.Path(), "--host-key", fingerprint},
          "CRITICAL",
          "host key mismatch \\(Host key .* is revoked\\.\\)"}},
        base_, target_);
}

TEST_F(CheckVekSshdTest, IPv6Literal) {
    if (sshd_.host6.empty()) {
        GTEST_SKIP() << "no IPv6 loopback";
    }
    std::vector<std::string> arguments = base_;
    arguments[1] = sshd_.host6;
    arguments.push_back("-6");
    RunCases({{"::1",
               {},
               "OK",
               "\\[::1\\]:" + std::to_string(sshd_.port) + " SSH-2\\.0-OpenSSH_.* in {s} s"}},
             arguments, target_);
}

TEST_F(CheckVekSshdTest, ACommandOutOfTimeTakesTheTimeoutState) {
    // Normally the command runs out of time; on a very busy machine an earlier stage
    // may, which is the same kind of outcome.
    const std::string text =
        "(command timed out \\(A timeout occurred\\. Reason: Reading data from the remote "
        "shell timed out\\.\\)|timeout \\(.*\\))";
    RunCases({{"default", {"-C", "sleep 30", "-t", "2"}, "CRITICAL", text},
              {"UNKNOWN", {"-C", "sleep 30", "-t", "2", "--timeout-state", "3"}, "UNKNOWN", text}},
             base_, target_);
}

}  // namespace
