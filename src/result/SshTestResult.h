#pragma once

#include <optional>
#include <string>

#include "domain/Milliseconds.h"
#include "result/NegotiatedAlgorithms.h"
#include "result/ServerAlgorithmOffer.h"

namespace Ssh {

// The record of one SSH test: where it went, how long each stage took, what the
// remote shell printed and which error, if any, ended the test. The SSH client
// fills it stage by stage, the session stamps the test id, the serializer reads it.
// A stage that did not run leaves its duration unset; empty strings, port 0 and
// size 0 mean "not produced".
class SshTestResult final {
public:
    using Milliseconds = VekLibrary::VekDomain::Milliseconds;

    const std::string& GetTestId() const;
    void SetTestId(const std::string& testId);

    const std::string& GetHostName() const;
    void SetHostName(const std::string& hostName);

    unsigned short GetPortNumber() const;
    void SetPortNumber(unsigned short portNumber);

    // The numeric address the connection used, in text form.
    const std::string& GetHostAddress() const;
    void SetHostAddress(const std::string& hostAddress);

    const Milliseconds& GetDnsDuration() const;
    void SetDnsDuration(const Milliseconds& duration);

    const Milliseconds& GetConnectDuration() const;
    void SetConnectDuration(const Milliseconds& duration);

    const Milliseconds& GetBannerExchangeDuration() const;
    void SetBannerExchangeDuration(const Milliseconds& duration);

    const Milliseconds& GetKeyExchangeDuration() const;
    void SetKeyExchangeDuration(const Milliseconds& duration);

    const Milliseconds& GetServiceRequestExchangeDuration() const;
    void SetServiceRequestExchangeDuration(const Milliseconds& duration);

    const Milliseconds& GetAuthenticationDuration() const;
    void SetAuthenticationDuration(const Milliseconds& duration);

    const Milliseconds& GetCommandExecutionDuration() const;
    void SetCommandExecutionDuration(const Milliseconds& duration);

    // Length in bytes of the captured standard output.
    unsigned long GetCommandResultSize() const;
    void SetCommandResultSize(unsigned long size);

    // The remote shell's exit status as decimal text.
    const std::string& GetCommandExecutionReturnCode() const;
    void SetCommandExecutionReturnCode(const std::string& returnCode);

    // The captured standard output of the remote shell, as received.
    const std::string& GetCommandExecutionResult() const;
    void SetCommandExecutionResult(const std::string& result);
    // Takes the text over without copying it; captured output may be many megabytes.
    void SetCommandExecutionResult(std::string&& result);
    // Hands the captured output over without copying it and leaves it empty; the
    // result size is not changed.
    std::string TakeCommandExecutionResult();

    // Hexadecimal text of the server's host key fingerprint.
    const std::string& GetHostFingerprint() const;
    void SetHostFingerprint(const std::string& fingerprint);

    // One of the SshTestErrorKeys or CommonTestErrors codes; empty when no stage failed.
    const std::string& GetError() const;
    void SetError(const std::string& error);

    const std::string& GetErrorDetails() const;
    void SetErrorDetails(const std::string& details);

    // The server's identification line without its CR LF, as received.
    const std::string& GetServerIdentification() const;
    void SetServerIdentification(const std::string& identification);

    const NegotiatedAlgorithms& GetNegotiatedAlgorithms() const;
    void SetNegotiatedAlgorithms(const NegotiatedAlgorithms& algorithms);

    // The server's KEXINIT name-lists; empty until its KEXINIT arrived.
    const std::optional<ServerAlgorithmOffer>& GetServerAlgorithmOffer() const;
    void SetServerAlgorithmOffer(const ServerAlgorithmOffer& offer);

private:
    std::string testId_;
    std::string hostName_;
    unsigned short portNumber_ = 0;
    std::string hostAddress_;
    Milliseconds dnsDuration_;
    Milliseconds connectDuration_;
    Milliseconds bannerExchangeDuration_;
    Milliseconds keyExchangeDuration_;
    Milliseconds serviceRequestExchangeDuration_;
    Milliseconds authenticationDuration_;
    Milliseconds commandExecutionDuration_;
    unsigned long commandResultSize_ = 0;
    std::string commandExecutionReturnCode_;
    std::string commandExecutionResult_;
    std::string hostFingerprint_;
    std::string error_;
    std::string errorDetails_;
    std::string serverIdentification_;
    NegotiatedAlgorithms negotiatedAlgorithms_;
    std::optional<ServerAlgorithmOffer> serverAlgorithmOffer_;
};

}  // namespace Ssh
