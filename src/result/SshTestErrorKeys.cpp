#include "result/SshTestErrorKeys.h"

// Built with the highest user init priority for the reason given in
// SshTestResultKeys.cpp: readable from any other file's static initialiser.
#define SSH_KEY_INIT __attribute__((init_priority(101)))

namespace Ssh::SshTestErrorKeys {

namespace {
const std::string QoSshResultsErrorPrefix SSH_KEY_INIT = "qo-ssh.results.error.";
}  // namespace

const std::string CommandTooLongError SSH_KEY_INIT = QoSshResultsErrorPrefix + "command-too-long";
const std::string InvalidHostError SSH_KEY_INIT = QoSshResultsErrorPrefix + "invalid-host";
const std::string HandshakeFailureError SSH_KEY_INIT =
    QoSshResultsErrorPrefix + "handshake-failure";
const std::string HandshakeTimeoutError SSH_KEY_INIT =
    QoSshResultsErrorPrefix + "handshake-timeout";
const std::string AuthenticationFailedError SSH_KEY_INIT =
    QoSshResultsErrorPrefix + "authentication-failed";
const std::string AuthenticationTimeoutError SSH_KEY_INIT =
    QoSshResultsErrorPrefix + "authentication-timeout";
const std::string PasswordExpiredError SSH_KEY_INIT = QoSshResultsErrorPrefix + "password-expired";
const std::string CommandExecutionFailedError SSH_KEY_INIT =
    QoSshResultsErrorPrefix + "command-execution-failed";
const std::string CommandExecutionTimeoutError SSH_KEY_INIT =
    QoSshResultsErrorPrefix + "command-execution-timeout";
const std::string UnknownError SSH_KEY_INIT = QoSshResultsErrorPrefix + "unknown";
const std::string HostKeyMismatchError SSH_KEY_INIT = QoSshResultsErrorPrefix + "host-key-mismatch";
const std::string HostKeyUnknownError SSH_KEY_INIT = QoSshResultsErrorPrefix + "host-key-unknown";

}  // namespace Ssh::SshTestErrorKeys
