#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "result/SshTestErrorKeys.h"
#include "result/SshTestResultKeys.h"

namespace Ssh {
namespace {

// Copied during this file's own static initialisation. This object file is linked
// before the library that defines the keys, so without prioritised construction
// the copies would be taken from strings not yet built.
const std::string kEarlyMetricKey = SshTestResultKeys::CommandExecutionResult;
const std::string kEarlyErrorKey = SshTestErrorKeys::UnknownError;

TEST(SshTestKeysTest, AreReadableFromOtherFilesStaticInitialisers) {
    EXPECT_EQ(kEarlyMetricKey, "qo-ssh.results.metrics.command-execution.result");
    EXPECT_EQ(kEarlyErrorKey, "qo-ssh.results.error.unknown");
}

TEST(SshTestKeysTest, MetricKeysAreExact) {
    const std::vector<std::pair<const std::string*, const char*>> keys = {
        {&SshTestResultKeys::BannerExchangeMs, "qo-ssh.results.metrics.banner-exchange.ms"},
        {&SshTestResultKeys::KeyExchangeMs, "qo-ssh.results.metrics.key-exchange.ms"},
        {&SshTestResultKeys::ServiceRequestExchangeMs,
         "qo-ssh.results.metrics.service-request-exchange.ms"},
        {&SshTestResultKeys::AuthenticationMs, "qo-ssh.results.metrics.authentication.ms"},
        {&SshTestResultKeys::CommandExecutionMs, "qo-ssh.results.metrics.command-execution.ms"},
        {&SshTestResultKeys::CommandResultSizeNumber,
         "qo-ssh.results.metrics.command-execution.result-size.number"},
        {&SshTestResultKeys::CommandExecutionReturnCodeNumber,
         "qo-ssh.results.metrics.command-execution.return-code.number"},
        {&SshTestResultKeys::CommandExecutionResult,
         "qo-ssh.results.metrics.command-execution.result"},
        {&SshTestResultKeys::HostFingerprintHexEncoded,
         "qo-ssh.results.metrics.host-fingerprint.hex-encoded"},
        {&SshTestResultKeys::ServerIdentification, "qo-ssh.results.metrics.server-identification"},
        {&SshTestResultKeys::AlgorithmKex, "qo-ssh.results.metrics.algorithm.kex"},
        {&SshTestResultKeys::AlgorithmHostKey, "qo-ssh.results.metrics.algorithm.host-key"},
        {&SshTestResultKeys::AlgorithmCipherClientToServer,
         "qo-ssh.results.metrics.algorithm.cipher-client-to-server"},
        {&SshTestResultKeys::AlgorithmCipherServerToClient,
         "qo-ssh.results.metrics.algorithm.cipher-server-to-client"},
        {&SshTestResultKeys::AlgorithmMacClientToServer,
         "qo-ssh.results.metrics.algorithm.mac-client-to-server"},
        {&SshTestResultKeys::AlgorithmMacServerToClient,
         "qo-ssh.results.metrics.algorithm.mac-server-to-client"},
    };
    for (const auto& [key, expected] : keys) {
        EXPECT_EQ(*key, expected);
    }
}

TEST(SshTestKeysTest, ErrorCodesAreExact) {
    const std::vector<std::pair<const std::string*, const char*>> keys = {
        {&SshTestErrorKeys::CommandTooLongError, "qo-ssh.results.error.command-too-long"},
        {&SshTestErrorKeys::InvalidHostError, "qo-ssh.results.error.invalid-host"},
        {&SshTestErrorKeys::HandshakeFailureError, "qo-ssh.results.error.handshake-failure"},
        {&SshTestErrorKeys::HandshakeTimeoutError, "qo-ssh.results.error.handshake-timeout"},
        {&SshTestErrorKeys::AuthenticationFailedError,
         "qo-ssh.results.error.authentication-failed"},
        {&SshTestErrorKeys::AuthenticationTimeoutError,
         "qo-ssh.results.error.authentication-timeout"},
        {&SshTestErrorKeys::PasswordExpiredError, "qo-ssh.results.error.password-expired"},
        {&SshTestErrorKeys::CommandExecutionFailedError,
         "qo-ssh.results.error.command-execution-failed"},
        {&SshTestErrorKeys::CommandExecutionTimeoutError,
         "qo-ssh.results.error.command-execution-timeout"},
        {&SshTestErrorKeys::UnknownError, "qo-ssh.results.error.unknown"},
        {&SshTestErrorKeys::HostKeyMismatchError, "qo-ssh.results.error.host-key-mismatch"},
        {&SshTestErrorKeys::HostKeyUnknownError, "qo-ssh.results.error.host-key-unknown"},
    };
    for (const auto& [key, expected] : keys) {
        EXPECT_EQ(*key, expected);
    }
}

}  // namespace
}  // namespace Ssh
