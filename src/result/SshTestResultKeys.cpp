#include "result/SshTestResultKeys.h"

// C++17 cannot constant-initialise a std::string. The keys are composed from the
// prefixes below, and other files (command definitions, tables of their own) may
// read them during their static initialisation, so they are built with the highest
// user init priority: every prioritised initialiser runs before any ordinary one
// whatever the link order, and within this file in definition order.
#define SSH_KEY_INIT __attribute__((init_priority(101)))

namespace Ssh::SshTestResultKeys {

namespace {
const std::string QoSshResultsMetricsPrefix SSH_KEY_INIT = "qo-ssh.results.metrics.";
const std::string QoSshResultsMetricsCommandExecutionPrefix SSH_KEY_INIT =
    QoSshResultsMetricsPrefix + "command-execution.";
const std::string QoSshResultsMetricsAlgorithmPrefix SSH_KEY_INIT =
    QoSshResultsMetricsPrefix + "algorithm.";
const std::string QoSshResultsMetricsServerAlgorithmsPrefix SSH_KEY_INIT =
    QoSshResultsMetricsPrefix + "server-algorithms.";
}  // namespace

const std::string BannerExchangeMs SSH_KEY_INIT =
    QoSshResultsMetricsPrefix + "banner-exchange." + "ms";
const std::string KeyExchangeMs SSH_KEY_INIT = QoSshResultsMetricsPrefix + "key-exchange." + "ms";
const std::string ServiceRequestExchangeMs SSH_KEY_INIT =
    QoSshResultsMetricsPrefix + "service-request-exchange." + "ms";
const std::string AuthenticationMs SSH_KEY_INIT =
    QoSshResultsMetricsPrefix + "authentication." + "ms";
const std::string CommandExecutionMs SSH_KEY_INIT =
    QoSshResultsMetricsCommandExecutionPrefix + "ms";
const std::string CommandResultSizeNumber SSH_KEY_INIT =
    QoSshResultsMetricsCommandExecutionPrefix + "result-size." + "number";
const std::string CommandExecutionReturnCodeNumber SSH_KEY_INIT =
    QoSshResultsMetricsCommandExecutionPrefix + "return-code." + "number";
const std::string CommandExecutionResult SSH_KEY_INIT =
    QoSshResultsMetricsCommandExecutionPrefix + "result";
const std::string HostFingerprintHexEncoded SSH_KEY_INIT =
    QoSshResultsMetricsPrefix + "host-fingerprint." + "hex-encoded";
const std::string ServerIdentification SSH_KEY_INIT =
    QoSshResultsMetricsPrefix + "server-identification";
const std::string AlgorithmKex SSH_KEY_INIT = QoSshResultsMetricsAlgorithmPrefix + "kex";
const std::string AlgorithmHostKey SSH_KEY_INIT = QoSshResultsMetricsAlgorithmPrefix + "host-key";
const std::string AlgorithmCipherClientToServer SSH_KEY_INIT =
    QoSshResultsMetricsAlgorithmPrefix + "cipher-client-to-server";
const std::string AlgorithmCipherServerToClient SSH_KEY_INIT =
    QoSshResultsMetricsAlgorithmPrefix + "cipher-server-to-client";
const std::string AlgorithmMacClientToServer SSH_KEY_INIT =
    QoSshResultsMetricsAlgorithmPrefix + "mac-client-to-server";
const std::string AlgorithmMacServerToClient SSH_KEY_INIT =
    QoSshResultsMetricsAlgorithmPrefix + "mac-server-to-client";

const std::string ServerAlgorithmsKex SSH_KEY_INIT =
    QoSshResultsMetricsServerAlgorithmsPrefix + "kex";
const std::string ServerAlgorithmsHostKey SSH_KEY_INIT =
    QoSshResultsMetricsServerAlgorithmsPrefix + "host-key";
const std::string ServerAlgorithmsCipherClientToServer SSH_KEY_INIT =
    QoSshResultsMetricsServerAlgorithmsPrefix + "cipher-client-to-server";
const std::string ServerAlgorithmsCipherServerToClient SSH_KEY_INIT =
    QoSshResultsMetricsServerAlgorithmsPrefix + "cipher-server-to-client";
const std::string ServerAlgorithmsMacClientToServer SSH_KEY_INIT =
    QoSshResultsMetricsServerAlgorithmsPrefix + "mac-client-to-server";
const std::string ServerAlgorithmsMacServerToClient SSH_KEY_INIT =
    QoSshResultsMetricsServerAlgorithmsPrefix + "mac-server-to-client";
const std::string ServerAlgorithmsCompressionClientToServer SSH_KEY_INIT =
    QoSshResultsMetricsServerAlgorithmsPrefix + "compression-client-to-server";
const std::string ServerAlgorithmsCompressionServerToClient SSH_KEY_INIT =
    QoSshResultsMetricsServerAlgorithmsPrefix + "compression-server-to-client";
const std::string WeakAlgorithms SSH_KEY_INIT = QoSshResultsMetricsPrefix + "weak-algorithms";
const std::string StrictKex SSH_KEY_INIT = QoSshResultsMetricsPrefix + "strict-kex";
const std::string TerrapinVulnerable SSH_KEY_INIT =
    QoSshResultsMetricsPrefix + "terrapin-vulnerable";

}  // namespace Ssh::SshTestResultKeys
