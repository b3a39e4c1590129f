// The handshake-only probe as a process against real servers: the lists it reports
// are the offer that OpenSSH's own client sees, with the verdicts on them.

#include <cstdio>
#include <functional>
#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/ProbeProcess.h"
#include "fixtures/AsyncsshFixture.h"
#include "fixtures/OneShotSshd.h"
#include "fixtures/SshdFixture.h"
#include "result/ServerAlgorithmOffer.h"
#include "result/SshTestResultKeys.h"

namespace {

namespace Keys = Ssh::SshTestResultKeys;

// The eight name-lists after "peer server KEXINIT proposal" in `ssh -vvv`'s log.
std::vector<std::string> OpenSshSeesOffer(unsigned short port) {
    FILE* pipe = ::popen(("ssh -vvv -F /dev/null -o BatchMode=yes -o StrictHostKeyChecking=no "
                          "-o UserKnownHostsFile=/dev/null -p " +
                          std::to_string(port) + " n@127.0.0.1 true 2>&1 | tr -d '\\r'")
                             .c_str(),
                         "r");
    std::vector<std::string> lists;
    bool proposal = false;
    for (char line[65536]; lists.size() < 8 && std::fgets(line, sizeof line, pipe);) {
        const std::string text = line;  // "debug2: KEX algorithms: a,b\n"
        const std::size_t start = text.find(": ", 8) + 2;
        if (proposal) {
            lists.push_back(text.substr(start, text.size() - start - 1));
        }
        proposal = proposal || text == "debug2: peer server KEXINIT proposal\n";
    }
    ::pclose(pipe);
    return lists;
}

TEST(ServerAuditTest, TheOfferAsOpenSshSeesItAndTheVerdictsOnIt) {
    std::vector<std::unique_ptr<VekTest::OneShotSshd>> legacy;  // one connection each
    const struct {
        std::function<unsigned short()> port;
        std::string weak;
        bool strictKex;
        bool terrapin;
    } servers[] = {
        {[] { return VekTest::ReadSshdEndpoint().port; }, "", true, false},
        {[&legacy] {
             legacy.push_back(
                 std::make_unique<VekTest::OneShotSshd>(VekTest::LegacyAlgorithmSettings()));
             return legacy.back()->Port();
         },
         "diffie-hellman-group1-sha1,diffie-hellman-group-exchange-sha1,ssh-rsa,ssh-dss,3des-cbc,"
         "hmac-md5,hmac-sha1-96,hmac-md5-96",
         true, false},
        {[] { return VekTest::ReadAsyncsshEndpoint().terrapinPort; }, "arcfour", false, true},
    };
    for (const auto& server : servers) {
        const std::vector<std::string> seen = OpenSshSeesOffer(server.port());
        ASSERT_EQ(seen.size(), Ssh::kServerOfferListCount) << server.weak;
        // No user name or password in either input mode: JSON for OpenSSH 9.2.
        const std::string url = "127.0.0.1:" + std::to_string(server.port());
        VekTest::ProbeRequest request;
        request.arguments = {"-u", url, "-s"};
        if (legacy.empty()) {
            request.arguments.clear();
            request.stdinMode = VekTest::ProbeStdin::Text;
            request.stdinText = R"({"Settings":{"DataDirectory":"/tmp/"},"Capabilities":{)"
                                R"("test.common.use-ipv6":false,"qo-ssh.test.handshake-only":)"
                                R"(true,"test.common.url":")" +
                                url + "\"}}\n";
        }
        const VekTest::ProbeRun run = VekTest::RunProbe(VEK_BINARY, request);
        ASSERT_EQ(run.exitCode, 0) << run.standardError;
        const auto step =
            nlohmann::json::parse(run.standardOutput)["MonitorResults"][0]["StepResults"][0];
        EXPECT_TRUE(step["OtherData"].empty());
        const auto& metrics = step["Metrics"][0]["MetricData"];
        for (std::size_t index = 0; index < Ssh::kServerOfferListCount; ++index) {
            EXPECT_EQ(metrics.value(*Ssh::ServerOfferLists()[index].key, ""), seen[index]);
        }
        EXPECT_EQ(metrics.value(Keys::WeakAlgorithms, "?"), server.weak);
        EXPECT_EQ(metrics.value(Keys::StrictKex, !server.strictKex), server.strictKex);
        EXPECT_EQ(metrics.value(Keys::TerrapinVulnerable, !server.terrapin), server.terrapin);
        EXPECT_TRUE(metrics.contains(Keys::ServiceRequestExchangeMs));
        EXPECT_FALSE(metrics.contains(Keys::AuthenticationMs));
    }
    // The one-shot sshd that served the probe saw no authentication request.
    const std::string log = legacy.at(1)->FinishedLog();
    EXPECT_THAT(log, testing::HasSubstr("KEX done"));
    EXPECT_THAT(log, testing::Not(testing::HasSubstr("userauth-request")));
}

}  // namespace
