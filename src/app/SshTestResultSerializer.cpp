#include "app/SshTestResultSerializer.h"

#include <cstdint>
#include <stdexcept>
#include <utility>

#include "domain/CommonTestOptions.h"
#include "domain/CommonTestResults.h"
#include "domain/Exceptions.h"
#include "result/ServerOfferAudit.h"
#include "result/SshTestResultKeys.h"
#include "serialization/XJsonError.h"

namespace Ssh {

namespace CommonTestOptions = VekLibrary::VekDomain::DataKeys::CommonTestOptions;
namespace CommonTestResults = VekLibrary::VekDomain::DataKeys::CommonTestResults;
using VekLibrary::Serialization::IJsonWrapper;
using VekLibrary::Serialization::XJsonError;
using VekLibrary::VekDomain::Milliseconds;

namespace {

void SetIfNotEmpty(IJsonWrapper& document, const std::string& key, const std::string& value) {
    if (!value.empty()) {
        document.Set(key, value);
    }
}

// An unset duration is never read: its absence tells that the stage did not run.
void SetIfSet(IJsonWrapper& document, const std::string& key, const Milliseconds& duration) {
    if (duration) {
        document.Set(key, static_cast<long>(static_cast<std::int64_t>(duration)));
    }
}

// Decimal with std::stoll's rules: leading white space and a sign are accepted and
// whatever follows the digits is ignored.
long ReturnCodeAsNumber(const std::string& returnCode) {
    try {
        return std::stoll(returnCode, nullptr, 10);
    } catch (const std::invalid_argument&) {
        throw XJsonError("Invalid command execution return code: " + returnCode);
    } catch (const std::out_of_range&) {
        throw XJsonError("Command execution return code out of range: " + returnCode);
    }
}

}  // namespace

SshTestResultSerializer::SshTestResultSerializer(
    std::shared_ptr<VekLibrary::Serialization::IJsonWrapperFactory> jsonWrapperFactory)
    : jsonWrapperFactory_(std::move(jsonWrapperFactory)) {
    if (!jsonWrapperFactory_) {
        throw VekLibrary::XBrokenInvariantsError("Json wrapper factory cannot be null.");
    }
}

std::string SshTestResultSerializer::SerializeToJson(const SshTestResult& result) {
    SshTestResult copy = result;
    return SerializeToJson(std::move(copy));
}

std::string SshTestResultSerializer::SerializeToJson(SshTestResult&& result) {
    return CreateTestResultJson(result)->ToString();
}

SshTestResultSerializer::JsonWrapperPtr SshTestResultSerializer::CreateTestResultJson(
    SshTestResult& result) {
    JsonWrapperPtr document;
    jsonWrapperFactory_->Create(document);
    FillMonitorResult(*AppendEmptyObject(*document, "MonitorResults"), result);
    document->CreateEmptyObject("OtherData");
    return document;
}

void SshTestResultSerializer::FillMonitorResult(IJsonWrapper& monitorResult,
                                                SshTestResult& result) {
    FillStepResult(*AppendEmptyObject(monitorResult, "StepResults"), result);
    monitorResult.CreateEmptyObject("OtherData");
}

void SshTestResultSerializer::FillStepResult(IJsonWrapper& stepResult, SshTestResult& result) {
    stepResult.CreateEmptyObject("PageResults");
    FillStepResultOtherData(*stepResult.CreateEmptyObject("OtherData"), result);
    FillMetricData(*AppendEmptyObject(stepResult, "Metrics")->CreateEmptyObject("MetricData"),
                   result);
}

void SshTestResultSerializer::FillStepResultOtherData(IJsonWrapper& otherData,
                                                      const SshTestResult& result) {
    SetIfNotEmpty(otherData, CommonTestResults::ErrorCode, result.GetError());
    SetIfNotEmpty(otherData, CommonTestResults::ErrorDetails, result.GetErrorDetails());
}

void SshTestResultSerializer::FillMetricData(IJsonWrapper& metricData, SshTestResult& result) {
    SetIfNotEmpty(metricData, CommonTestOptions::TestId, result.GetTestId());
    SetIfNotEmpty(metricData, CommonTestResults::HostName, result.GetHostName());
    if (result.GetPortNumber() != 0) {
        metricData.Set(CommonTestResults::HostAddressPort,
                       static_cast<unsigned long>(result.GetPortNumber()));
    }
    SetIfNotEmpty(metricData, CommonTestResults::HostAddress, result.GetHostAddress());
    SetIfSet(metricData, CommonTestResults::DnsDurationMs, result.GetDnsDuration());
    SetIfSet(metricData, CommonTestResults::ConnectDurationMs, result.GetConnectDuration());
    SetIfSet(metricData, SshTestResultKeys::BannerExchangeMs, result.GetBannerExchangeDuration());
    SetIfSet(metricData, SshTestResultKeys::KeyExchangeMs, result.GetKeyExchangeDuration());
    SetIfSet(metricData, SshTestResultKeys::ServiceRequestExchangeMs,
             result.GetServiceRequestExchangeDuration());
    SetIfSet(metricData, SshTestResultKeys::AuthenticationMs, result.GetAuthenticationDuration());
    SetIfNotEmpty(metricData, SshTestResultKeys::HostFingerprintHexEncoded,
                  result.GetHostFingerprint());
    SetIfNotEmpty(metricData, SshTestResultKeys::ServerIdentification,
                  result.GetServerIdentification());
    const NegotiatedAlgorithms& algorithms = result.GetNegotiatedAlgorithms();
    SetIfNotEmpty(metricData, SshTestResultKeys::AlgorithmKex, algorithms.keyExchange);
    SetIfNotEmpty(metricData, SshTestResultKeys::AlgorithmHostKey, algorithms.hostKey);
    SetIfNotEmpty(metricData, SshTestResultKeys::AlgorithmCipherClientToServer,
                  algorithms.cipherClientToServer);
    SetIfNotEmpty(metricData, SshTestResultKeys::AlgorithmCipherServerToClient,
                  algorithms.cipherServerToClient);
    SetIfNotEmpty(metricData, SshTestResultKeys::AlgorithmMacClientToServer,
                  algorithms.macClientToServer);
    SetIfNotEmpty(metricData, SshTestResultKeys::AlgorithmMacServerToClient,
                  algorithms.macServerToClient);
    if (const auto& offer = result.GetServerAlgorithmOffer()) {
        FillServerOffer(metricData, *offer);
    }

    // Without an execution duration the stage did not run, so whatever else was
    // recorded about the command is not reported.
    if (result.GetCommandExecutionDuration()) {
        SetIfSet(metricData, SshTestResultKeys::CommandExecutionMs,
                 result.GetCommandExecutionDuration());
        const std::string& returnCode = result.GetCommandExecutionReturnCode();
        if (!returnCode.empty()) {
            metricData.Set(SshTestResultKeys::CommandExecutionReturnCodeNumber,
                           ReturnCodeAsNumber(returnCode));
        }
        if (result.GetCommandResultSize() != 0) {
            metricData.Set(SshTestResultKeys::CommandResultSizeNumber,
                           result.GetCommandResultSize());
        }
        if (!result.GetCommandExecutionResult().empty()) {
            metricData.Set(SshTestResultKeys::CommandExecutionResult,
                           result.TakeCommandExecutionResult());
        }
    }
}

// Every list as received, an empty one too: what the server offered is the point.
void SshTestResultSerializer::FillServerOffer(IJsonWrapper& metricData,
                                              const ServerAlgorithmOffer& offer) {
    for (std::size_t index = 0; index < kServerOfferListCount; ++index) {
        metricData.Set(*ServerOfferLists()[index].key, offer.lists[index]);
    }
    ServerOfferAudit audit = AuditServerOffer(offer);
    metricData.Set(SshTestResultKeys::WeakAlgorithms, std::move(audit.weakAlgorithms));
    metricData.Set(SshTestResultKeys::StrictKex, audit.strictKex);
    metricData.Set(SshTestResultKeys::TerrapinVulnerable, audit.terrapinVulnerable);
}

SshTestResultSerializer::JsonWrapperPtr SshTestResultSerializer::AppendEmptyObject(
    IJsonWrapper& parent, const std::string& key) {
    JsonWrapperPtr element;
    jsonWrapperFactory_->Create(element);
    // The wrapper returned refers to the appended element inside `parent`'s document.
    return parent.PushBack(key, element);
}

}  // namespace Ssh
