#include "plugin/CheckVerdict.h"

#include <algorithm>
#include <map>

#include <re2/re2.h>

#include "crypto/HostKeyFingerprint.h"
#include "domain/CommonTestErrors.h"
#include "result/SshTestErrorKeys.h"

namespace VekPlugin {

namespace {

namespace CommonTestErrors = VekLibrary::VekDomain::DataKeys::CommonTestErrors;
namespace SshTestErrorKeys = Ssh::SshTestErrorKeys;
using VekLibrary::Crypto::HostKeyFingerprintText;
using VekProbeClient::ProbeDocument;

// How a status of -16 (a key that cannot be loaded or unlocked) or -48 (a wrong
// passphrase of a PEM key) ends the probe's authentication-failed details: a fault of
// the plugin's own configuration, not of the server.
const RE2 kLocalKeyFault("status: -(?:16|48)$");

std::string ErrorReason(const ProbeDocument& outcome, const ErrorMeaning& meaning) {
    std::string reason = meaning.text;
    if (outcome.errorDetails && !outcome.errorDetails->empty()) {
        reason += " (" + *outcome.errorDetails + ")";
    }
    return reason;
}

// ssh-keygen's form of the document's hex fingerprint, for messages.
std::string Sha256Form(const std::string& hex) {
    VekLibrary::Crypto::HostKeyFingerprint fingerprint{};
    return HostKeyFingerprintText::Parse(hex, fingerprint)
               ? HostKeyFingerprintText::ToOpenSshText(fingerprint)
               : hex;
}

bool IsAccepted(const std::string& hex,
                const std::vector<VekLibrary::Crypto::HostKeyFingerprint>& accepted) {
    VekLibrary::Crypto::HostKeyFingerprint presented{};
    return HostKeyFingerprintText::Parse(hex, presented) &&
           std::find(accepted.begin(), accepted.end(), presented) != accepted.end();
}

void CheckThresholds(const std::string& label, long long milliseconds,
                     const std::optional<ThresholdRange>& warning,
                     const std::optional<ThresholdRange>& critical,
                     std::vector<CheckFinding>& findings) {
    const double seconds = static_cast<double>(milliseconds) / 1000.0;
    const std::string took =
        (label == "time" ? "the test" : label) + " took " + FormatSeconds(milliseconds) + " s";
    if (critical && critical->Alerts(seconds)) {
        findings.push_back(
            {PluginStateEnum::Critical, took + " (critical threshold " + critical->Text() + ")"});
    } else if (warning && warning->Alerts(seconds)) {
        findings.push_back(
            {PluginStateEnum::Warning, took + " (warning threshold " + warning->Text() + ")"});
    }
}

// -r and -P as check_ssh judges them: the software version (with its comments) and
// the protocol version of "SSH-<protocol>-<software version>", each compared exactly.
void CheckIdentification(const PluginOptions& options, const ProbeDocument& outcome,
                         std::vector<CheckFinding>& findings) {
    if (!outcome.serverIdentification) {
        if (!outcome.errorCode) {
            findings.push_back({PluginStateEnum::Unknown,
                                "the probe reports no server identification to match -r or -P "
                                "against"});
        }
        return;
    }
    const std::string& line = *outcome.serverIdentification;
    const std::size_t dash = line.find('-', 4);
    const std::string protocol = line.compare(0, 4, "SSH-") == 0 && dash != std::string::npos
                                     ? line.substr(4, dash - 4)
                                     : "";
    const std::string software = protocol.empty() ? line : line.substr(dash + 1);
    const std::string shown = software + " (protocol " + protocol + ")";
    if (options.remoteVersion && software != *options.remoteVersion) {
        findings.push_back({PluginStateEnum::Critical, shown + " version mismatch, expected '" +
                                                           *options.remoteVersion + "'"});
    }
    if (options.remoteProtocol && protocol != *options.remoteProtocol) {
        findings.push_back(
            {PluginStateEnum::Critical,
             shown + " protocol version mismatch, expected '" + *options.remoteProtocol + "'"});
    }
}

}  // namespace

const std::vector<ErrorMeaning>& ErrorMeanings() {
    using Kind = ErrorKindEnum;
    static const std::vector<ErrorMeaning> meanings = {
        {CommonTestErrors::DnsResolutionError, "Invalid hostname/address", Kind::Local},
        {CommonTestErrors::UnknownConnectFailureError, "connection failed", Kind::Server},
        {CommonTestErrors::ConnectTimeoutError, "connection timed out", Kind::Timeout},
        {CommonTestErrors::TooMuchTimeError, "timeout", Kind::Timeout},
        {CommonTestErrors::OtherSocketFailure, "socket failure", Kind::Server},
        {CommonTestErrors::RecvFailure, "receiving failed", Kind::Server},
        {CommonTestErrors::RecvTimeout, "receiving timed out", Kind::Timeout},
        {CommonTestErrors::SecureAuthenticationFailure, "secure authentication failed",
         Kind::Server},
        {CommonTestErrors::TlsHandshakeTimeout, "TLS handshake timed out", Kind::Timeout},
        {CommonTestErrors::SendFailure, "sending failed", Kind::Server},
        {CommonTestErrors::SendTimeout, "sending timed out", Kind::Timeout},
        {CommonTestErrors::MaxDownloadLimitExceeded, "download limit exceeded", Kind::Server},
        {SshTestErrorKeys::CommandTooLongError, "command too long", Kind::Local},
        {SshTestErrorKeys::InvalidHostError, "Invalid hostname/address", Kind::Local},
        {SshTestErrorKeys::HandshakeFailureError, "handshake failed", Kind::Server},
        {SshTestErrorKeys::HandshakeTimeoutError, "handshake timed out", Kind::Timeout},
        {SshTestErrorKeys::AuthenticationFailedError, "authentication failed", Kind::Server},
        {SshTestErrorKeys::AuthenticationTimeoutError, "authentication timed out", Kind::Timeout},
        {SshTestErrorKeys::PasswordExpiredError, "password expired", Kind::Server},
        {SshTestErrorKeys::CommandExecutionFailedError, "command execution failed", Kind::Server},
        {SshTestErrorKeys::CommandExecutionTimeoutError, "command timed out", Kind::Timeout},
        {SshTestErrorKeys::UnknownError, "unknown error", Kind::Local},
        {SshTestErrorKeys::HostKeyMismatchError, "host key mismatch", Kind::Server},
        {SshTestErrorKeys::HostKeyUnknownError, "host key unknown", Kind::Local},
    };
    return meanings;
}

ErrorMeaning MeaningOf(const std::string& key, const std::string& details) {
    for (const ErrorMeaning& meaning : ErrorMeanings()) {
        if (meaning.key == key) {
            if (key == SshTestErrorKeys::AuthenticationFailedError &&
                RE2::PartialMatch(details, kLocalKeyFault)) {
                return {
                    key,
                    "the private key cannot be loaded or unlocked (wrong or missing passphrase?)",
                    ErrorKindEnum::Local};
            }
            return meaning;
        }
    }
    return {key, key, IsTimeoutErrorKey(key) ? ErrorKindEnum::Timeout : ErrorKindEnum::Server};
}

PluginStateEnum StateOf(ErrorKindEnum kind, const PluginOptions& options) {
    switch (kind) {
        case ErrorKindEnum::Timeout:
            return options.timeoutState;
        case ErrorKindEnum::Local:
            return PluginStateEnum::Unknown;
        case ErrorKindEnum::Server:
            break;
    }
    return PluginStateEnum::Critical;
}

bool IsTimeoutErrorKey(const std::string& key) {
    const std::string suffix = "-timeout";
    return key == CommonTestErrors::TooMuchTimeError ||
           (key.size() > suffix.size() &&
            key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0);
}

std::string FormatSeconds(long long milliseconds) {
    const std::string sign = milliseconds < 0 ? "-" : "";
    const long long magnitude = milliseconds < 0 ? -milliseconds : milliseconds;
    std::string fraction = std::to_string(magnitude % 1000);
    fraction.insert(0, 3 - fraction.size(), '0');
    return sign + std::to_string(magnitude / 1000) + "." + fraction;
}

CheckVerdict Decide(const std::vector<CheckFinding>& findings) {
    CheckVerdict verdict;
    for (const CheckFinding& finding : findings) {
        verdict.state = Worse(verdict.state, finding.state);
    }
    for (const CheckFinding& finding : findings) {
        if (finding.state == verdict.state) {
            verdict.reasons.push_back(finding.reason);
        }
    }
    return verdict;
}

CheckVerdict Evaluate(const PluginOptions& options, const ProbeDocument& outcome) {
    std::vector<CheckFinding> findings;
    if (outcome.errorCode) {
        const ErrorMeaning meaning =
            MeaningOf(*outcome.errorCode, outcome.errorDetails.value_or(""));
        findings.push_back({StateOf(meaning.kind, options), ErrorReason(outcome, meaning)});
    }
    // check_vek compares the key itself too, for probes that do not know --host-key;
    // a probe that does already said so. With --known-hosts the probe alone judges:
    // a key those list passes whatever --host-key says.
    const bool probeSawMismatch =
        outcome.errorCode && *outcome.errorCode == SshTestErrorKeys::HostKeyMismatchError;
    if (!options.hostKeys.empty() && options.knownHostsFile.empty() && outcome.hostFingerprintHex &&
        !probeSawMismatch) {
        if (!IsAccepted(*outcome.hostFingerprintHex, options.hostKeys)) {
            findings.push_back(
                {PluginStateEnum::Critical, "host key mismatch (the server's key " +
                                                Sha256Form(*outcome.hostFingerprintHex) +
                                                " is not one of --host-key)"});
        }
    }
    if (!outcome.errorCode) {
        CheckThresholds("time", outcome.TotalMilliseconds(), options.warning, options.critical,
                        findings);
    }
    for (std::size_t index = 0; index < VekProbeClient::kStageCount; ++index) {
        if (outcome.stageMilliseconds[index]) {
            CheckThresholds(VekProbeClient::ProbeStages()[index].name,
                            *outcome.stageMilliseconds[index], options.stageWarning[index],
                            options.stageCritical[index], findings);
        }
    }
    if (options.remoteVersion || options.remoteProtocol) {
        CheckIdentification(options, outcome, findings);
    }
    if (options.weakAlgorithmsState != PluginStateEnum::Ok && outcome.weakAlgorithms &&
        !outcome.weakAlgorithms->empty()) {
        findings.push_back(
            {options.weakAlgorithmsState, "weak algorithms offered: " + *outcome.weakAlgorithms});
    }
    if (options.terrapinState != PluginStateEnum::Ok &&
        outcome.terrapinVulnerable.value_or(false)) {
        findings.push_back({options.terrapinState, "open to the Terrapin attack (CVE-2023-48795)"});
    }
    if (options.command && !outcome.errorCode) {
        const long long status = outcome.returnCode.value_or(0);
        const int expected = options.expectExit.value_or(0);
        if (status != expected) {
            findings.push_back({PluginStateEnum::Critical, "exit status " + std::to_string(status) +
                                                               ", expected " +
                                                               std::to_string(expected)});
        }
        if (options.expectPattern && !options.expectPattern->Found(outcome.output.value_or(""))) {
            findings.push_back(
                {PluginStateEnum::Critical, "output does not match '" + *options.expect + "'"});
        }
    }
    return Decide(findings);
}

}  // namespace VekPlugin
