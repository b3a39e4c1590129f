#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "exporter/ExporterTestSupport.h"
#include "fixtures/OpenSshFingerprint.h"
#include "fixtures/SshdFixture.h"

namespace VekTest {

// A private folder with a configuration of three modules against the fixture
// sshd: "password" (echo hello; exit 3), "wrong" (a wrong password) and "slow"
// (sleep 30, module timeout 30 s); the password in a file of mode 0600, the sshd's
// key in the known_hosts file that ssh-keyscan -H wrote.
class ExporterProcessTest : public testing::Test {
protected:
    void SetUp() override {
        sshd_ = ReadSshdEndpoint();
        WriteFile(dir_.File("password"), sshd_.password + "\n");
        WriteConfig(Modules());
    }

    std::string Modules() const {
        const std::string trust = std::string("    known_hosts_file: ") + kSshdKnownHosts + "\n";
        const std::string login = "    username: " + YamlQuoted(sshd_.user) +
                                  "\n    password_file: " + dir_.File("password") + "\n" + trust;
        return "modules:\n"
               "  password:\n" +
               login +
               "    command: \"echo hello; exit 3\"\n"
               "  wrong:\n    username: " +
               YamlQuoted(sshd_.user) + "\n    password: not-the-password\n" + trust + "  slow:\n" +
               login + "    command: \"sleep 30\\n\"\n    timeout: 30s\n";
    }

    void WriteConfig(const std::string& text) const {
        WriteFile(dir_.File("config.yml"), text, 0644);
    }

    ExporterProcess Start(std::vector<std::string> arguments = {}) const {
        arguments.push_back("--config.file=" + dir_.File("config.yml"));
        return ExporterProcess(dir_.File("exporter.log"), std::move(arguments));
    }

    std::string ProbePath(const std::string& module, unsigned short port = 0) const {
        return "/probe?module=" + module +
               "&target=127.0.0.1:" + std::to_string(port == 0 ? sshd_.port : port);
    }

    TempDir dir_;
    SshdEndpoint sshd_;
};

// Waits until the exporter has a probe child running; its pid, or -1.
inline pid_t RunningProbe(pid_t exporter, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const auto& child : ChildrenOf(exporter)) {
            if (child.state != 'Z') {
                return child.pid;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

}  // namespace VekTest
