#include "plugin/CheckVerdict.h"

#include <algorithm>
#include <map>

#include "crypto/HostKeyFingerprint.h"
#include "domain/CommonTestErrors.h"
#include "result/SshTestErrorKeys.h"

namespace VekPlugin {

namespace {

namespace CommonTestErrors = VekLibrary::VekDomain::DataKeys::CommonTestErrors;
namespace SshTestErrorKeys = Ssh::SshTestErrorKeys;
using VekLibrary::Crypto::HostKeyFingerprintText;
using VekProbeClient::ProbeDocument;

// What each error key of the probe means, in the words of the status line.
const std::map<std::string, std::string>& ErrorTexts() {
    static const std::map<std::string, std::string> texts = {
        {CommonTestErrors::DnsResolutionError, "name resolution failed"},
        {CommonTestErrors::UnknownConnectFailureError, "connection failed"},
        {CommonTestErrors::ConnectTimeoutError, "connection timed out"},
        {CommonTestErrors::TooMuchTimeError, "timeout"},
        {SshTestErrorKeys::HandshakeFailureError, "handshake failed"},
        {SshTestErrorKeys::HandshakeTimeoutError, "handshake timed out"},
        {SshTestErrorKeys::AuthenticationFailedError, "authentication failed"},
        {SshTestErrorKeys::AuthenticationTimeoutError, "authentication timed out"},
        {SshTestErrorKeys::PasswordExpiredError, "password expired"},
        {SshTestErrorKeys::CommandExecutionFailedError, "command execution failed"},
        {SshTestErrorKeys::CommandExecutionTimeoutError, "command timed out"},
        {SshTestErrorKeys::HostKeyMismatchError, "host key mismatch"},
        {SshTestErrorKeys::HostKeyUnknownError, "host key unknown"},
    };
    return texts;
}

std::string ErrorReason(const ProbeDocument& outcome) {
    const auto known = ErrorTexts().find(*outcome.errorCode);
    std::string reason = known != ErrorTexts().end() ? known->second : *outcome.errorCode;
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

}  // namespace

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
        const std::string& key = *outcome.errorCode;
        // A name the known hosts do not list is a configuration to complete.
        const PluginStateEnum state = key == SshTestErrorKeys::HostKeyMismatchError
                                          ? PluginStateEnum::Critical
                                      : key == SshTestErrorKeys::HostKeyUnknownError
                                          ? PluginStateEnum::Unknown
                                      : IsTimeoutErrorKey(key) ? options.timeoutState
                                                               : PluginStateEnum::Critical;
        findings.push_back({state, ErrorReason(outcome)});
    }
    // check_vek compares the key itself too, for probes that do not know --host-key;
    // a probe that does already said so. With --known-hosts the probe alone judges:
    // a key those list passes whatever --host-key says.
    const bool probeSawMismatch =
        outcome.errorCode && *outcome.errorCode == SshTestErrorKeys::HostKeyMismatchError;
    if (!options.hostKeys.empty() && options.knownHostsFile.empty() &&
        outcome.hostFingerprintHex && !probeSawMismatch) {
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
    if (options.remoteVersion) {
        if (outcome.serverIdentification) {
            if (outcome.serverIdentification->find(*options.remoteVersion) == std::string::npos) {
                findings.push_back({PluginStateEnum::Critical,
                                    "version mismatch, expected '" + *options.remoteVersion +
                                        "' in '" + *outcome.serverIdentification + "'"});
            }
        } else if (!outcome.errorCode) {
            findings.push_back({PluginStateEnum::Unknown,
                                "the probe reports no server identification to match -r against"});
        }
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
        if (status != options.expectExit) {
            findings.push_back({PluginStateEnum::Critical, "exit status " + std::to_string(status) +
                                                               ", expected " +
                                                               std::to_string(options.expectExit)});
        }
        if (options.expectPattern && !options.expectPattern->Found(outcome.output.value_or(""))) {
            findings.push_back(
                {PluginStateEnum::Critical, "output does not match '" + *options.expect + "'"});
        }
    }
    return Decide(findings);
}

}  // namespace VekPlugin
