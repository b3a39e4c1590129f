#include "result/SshTestResult.h"

#include <utility>

namespace Ssh {

const std::string& SshTestResult::GetTestId() const {
    return testId_;
}

void SshTestResult::SetTestId(const std::string& testId) {
    testId_ = testId;
}

const std::string& SshTestResult::GetHostName() const {
    return hostName_;
}

void SshTestResult::SetHostName(const std::string& hostName) {
    hostName_ = hostName;
}

unsigned short SshTestResult::GetPortNumber() const {
    return portNumber_;
}

void SshTestResult::SetPortNumber(unsigned short portNumber) {
    portNumber_ = portNumber;
}

const std::string& SshTestResult::GetHostAddress() const {
    return hostAddress_;
}

void SshTestResult::SetHostAddress(const std::string& hostAddress) {
    hostAddress_ = hostAddress;
}

const SshTestResult::Milliseconds& SshTestResult::GetDnsDuration() const {
    return dnsDuration_;
}

void SshTestResult::SetDnsDuration(const Milliseconds& duration) {
    dnsDuration_ = duration;
}

const SshTestResult::Milliseconds& SshTestResult::GetConnectDuration() const {
    return connectDuration_;
}

void SshTestResult::SetConnectDuration(const Milliseconds& duration) {
    connectDuration_ = duration;
}

const SshTestResult::Milliseconds& SshTestResult::GetBannerExchangeDuration() const {
    return bannerExchangeDuration_;
}

void SshTestResult::SetBannerExchangeDuration(const Milliseconds& duration) {
    bannerExchangeDuration_ = duration;
}

const SshTestResult::Milliseconds& SshTestResult::GetKeyExchangeDuration() const {
    return keyExchangeDuration_;
}

void SshTestResult::SetKeyExchangeDuration(const Milliseconds& duration) {
    keyExchangeDuration_ = duration;
}

const SshTestResult::Milliseconds& SshTestResult::GetServiceRequestExchangeDuration() const {
    return serviceRequestExchangeDuration_;
}

void SshTestResult::SetServiceRequestExchangeDuration(const Milliseconds& duration) {
    serviceRequestExchangeDuration_ = duration;
}

const SshTestResult::Milliseconds& SshTestResult::GetAuthenticationDuration() const {
    return authenticationDuration_;
}

void SshTestResult::SetAuthenticationDuration(const Milliseconds& duration) {
    authenticationDuration_ = duration;
}

const SshTestResult::Milliseconds& SshTestResult::GetCommandExecutionDuration() const {
    return commandExecutionDuration_;
}

void SshTestResult::SetCommandExecutionDuration(const Milliseconds& duration) {
    commandExecutionDuration_ = duration;
}

unsigned long SshTestResult::GetCommandResultSize() const {
    return commandResultSize_;
}

void SshTestResult::SetCommandResultSize(unsigned long size) {
    commandResultSize_ = size;
}

const std::string& SshTestResult::GetCommandExecutionReturnCode() const {
    return commandExecutionReturnCode_;
}

void SshTestResult::SetCommandExecutionReturnCode(const std::string& returnCode) {
    commandExecutionReturnCode_ = returnCode;
}

const std::string& SshTestResult::GetCommandExecutionResult() const {
    return commandExecutionResult_;
}

void SshTestResult::SetCommandExecutionResult(const std::string& result) {
    commandExecutionResult_ = result;
}

void SshTestResult::SetCommandExecutionResult(std::string&& result) {
    commandExecutionResult_ = std::move(result);
}

std::string SshTestResult::TakeCommandExecutionResult() {
    // A moved-from string is only "valid but unspecified"; the contract says empty.
    std::string taken = std::move(commandExecutionResult_);
    commandExecutionResult_.clear();
    return taken;
}

const std::string& SshTestResult::GetHostFingerprint() const {
    return hostFingerprint_;
}

void SshTestResult::SetHostFingerprint(const std::string& fingerprint) {
    hostFingerprint_ = fingerprint;
}

const std::string& SshTestResult::GetError() const {
    return error_;
}

void SshTestResult::SetError(const std::string& error) {
    error_ = error;
}

const std::string& SshTestResult::GetErrorDetails() const {
    return errorDetails_;
}

void SshTestResult::SetErrorDetails(const std::string& details) {
    errorDetails_ = details;
}

const std::string& SshTestResult::GetServerIdentification() const {
    return serverIdentification_;
}

void SshTestResult::SetServerIdentification(const std::string& identification) {
    serverIdentification_ = identification;
}

const NegotiatedAlgorithms& SshTestResult::GetNegotiatedAlgorithms() const {
    return negotiatedAlgorithms_;
}

void SshTestResult::SetNegotiatedAlgorithms(const NegotiatedAlgorithms& algorithms) {
    negotiatedAlgorithms_ = algorithms;
}

const std::optional<ServerAlgorithmOffer>& SshTestResult::GetServerAlgorithmOffer() const {
    return serverAlgorithmOffer_;
}

void SshTestResult::SetServerAlgorithmOffer(const ServerAlgorithmOffer& offer) {
    serverAlgorithmOffer_ = offer;
}

}  // namespace Ssh
