#include "app/SshTestResultSerializer.h"

#include <cstdint>
#include <stdexcept>
#include <utility>

#include "domain/CommonTestOptions.h"
#include "domain/CommonTestResults.h"
#include "domain/Exceptions.h"
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
    return CreateTestResultJson(result)->ToString();
}

SshTestResultSerializer::JsonWrapperPtr SshTestResultSerializer::CreateTestResultJson(
    const SshTestResult& result) {
    auto document = NewDocument();
    document->PushBack("MonitorResults", CreateMonitorResultJson(result));
    document->CreateEmptyObject("OtherData");
    return document;
}

SshTestResultSerializer::JsonWrapperPtr SshTestResultSerializer::CreateMonitorResultJson(
    const SshTestResult& result) {
    auto document = NewDocument();
    document->PushBack("StepResults", CreateStepResultJson(result));
    document->CreateEmptyObject("OtherData");
    return document;
}

SshTestResultSerializer::JsonWrapperPtr SshTestResultSerializer::CreateStepResultJson(
    const SshTestResult& result) {
    auto document = NewDocument();
    document->CreateEmptyObject("PageResults");
    document->Set("OtherData",
                  std::shared_ptr<const IJsonWrapper>(CreateStepResultOtherDataJson(result)));
    document->PushBack("Metrics", CreateMetricJson(result));
    return document;
}

SshTestResultSerializer::JsonWrapperPtr SshTestResultSerializer::CreateStepResultOtherDataJson(
    const SshTestResult& result) {
    auto document = NewDocument();
    SetIfNotEmpty(*document, CommonTestResults::ErrorCode, result.GetError());
    SetIfNotEmpty(*document, CommonTestResults::ErrorDetails, result.GetErrorDetails());
    return document;
}

SshTestResultSerializer::JsonWrapperPtr SshTestResultSerializer::CreateMetricJson(
    const SshTestResult& result) {
    auto metricData = NewDocument();
    SetIfNotEmpty(*metricData, CommonTestOptions::TestId, result.GetTestId());
    SetIfNotEmpty(*metricData, CommonTestResults::HostName, result.GetHostName());
    if (result.GetPortNumber() != 0) {
        metricData->Set(CommonTestResults::HostAddressPort,
                        static_cast<unsigned long>(result.GetPortNumber()));
    }
    SetIfNotEmpty(*metricData, CommonTestResults::HostAddress, result.GetHostAddress());
    SetIfSet(*metricData, CommonTestResults::DnsDurationMs, result.GetDnsDuration());
    SetIfSet(*metricData, CommonTestResults::ConnectDurationMs, result.GetConnectDuration());
    SetIfSet(*metricData, SshTestResultKeys::BannerExchangeMs, result.GetBannerExchangeDuration());
    SetIfSet(*metricData, SshTestResultKeys::KeyExchangeMs, result.GetKeyExchangeDuration());
    SetIfSet(*metricData, SshTestResultKeys::ServiceRequestExchangeMs,
             result.GetServiceRequestExchangeDuration());
    SetIfSet(*metricData, SshTestResultKeys::AuthenticationMs, result.GetAuthenticationDuration());
    SetIfNotEmpty(*metricData, SshTestResultKeys::HostFingerprintHexEncoded,
                  result.GetHostFingerprint());
    SetIfNotEmpty(*metricData, SshTestResultKeys::ServerIdentification,
                  result.GetServerIdentification());
    const NegotiatedAlgorithms& algorithms = result.GetNegotiatedAlgorithms();
    SetIfNotEmpty(*metricData, SshTestResultKeys::AlgorithmKex, algorithms.keyExchange);
    SetIfNotEmpty(*metricData, SshTestResultKeys::AlgorithmHostKey, algorithms.hostKey);
    SetIfNotEmpty(*metricData, SshTestResultKeys::AlgorithmCipherClientToServer,
                  algorithms.cipherClientToServer);
    SetIfNotEmpty(*metricData, SshTestResultKeys::AlgorithmCipherServerToClient,
                  algorithms.cipherServerToClient);
    SetIfNotEmpty(*metricData, SshTestResultKeys::AlgorithmMacClientToServer,
                  algorithms.macClientToServer);
    SetIfNotEmpty(*metricData, SshTestResultKeys::AlgorithmMacServerToClient,
                  algorithms.macServerToClient);

    // Without an execution duration the stage did not run, so whatever else was
    // recorded about the command is not reported.
    if (result.GetCommandExecutionDuration()) {
        SetIfSet(*metricData, SshTestResultKeys::CommandExecutionMs,
                 result.GetCommandExecutionDuration());
        const std::string& returnCode = result.GetCommandExecutionReturnCode();
        if (!returnCode.empty()) {
            metricData->Set(SshTestResultKeys::CommandExecutionReturnCodeNumber,
                            ReturnCodeAsNumber(returnCode));
        }
        if (result.GetCommandResultSize() != 0) {
            metricData->Set(SshTestResultKeys::CommandResultSizeNumber,
                            result.GetCommandResultSize());
        }
        SetIfNotEmpty(*metricData, SshTestResultKeys::CommandExecutionResult,
                      result.GetCommandExecutionResult());
    }

    auto metric = NewDocument();
    metric->Set("MetricData", std::shared_ptr<const IJsonWrapper>(metricData));
    return metric;
}

SshTestResultSerializer::JsonWrapperPtr SshTestResultSerializer::NewDocument() {
    JsonWrapperPtr document;
    jsonWrapperFactory_->Create(document);
    return document;
}

}  // namespace Ssh
