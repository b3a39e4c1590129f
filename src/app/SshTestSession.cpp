#include "app/SshTestSession.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_set>
#include <utility>

#include "domain/CommonTestErrors.h"
#include "domain/Exceptions.h"
#include "domain/Milliseconds.h"
#include "iohandler/IoHandlerErrors.h"
#include "logger/StringFormat.h"
#include "networking/AddressFamilyEnum.h"
#include "serialization/XJsonError.h"
#include "ssh/SshClientErrors.h"
#include "stringutils/Utf8Repair.h"

namespace Ssh {

namespace {

using VekLibrary::XBrokenInvariantsError;
using VekLibrary::VekLogger::LogLevelEnum;
using VekLibrary::VekLogger::StringFormat;

// A test timeout of 0 ("no timeout") and any timeout beyond the largest budget a
// stage accepts get that largest budget.
std::int64_t BudgetOf(std::chrono::seconds timeout) {
    using VekLibrary::VekDomain::Milliseconds;
    const std::int64_t seconds = timeout.count();
    if (seconds <= 0) {
        return 0;
    }
    // Checked before multiplying: the "no timeout" value would overflow.
    if (seconds > Milliseconds::kMaxCount / 1000) {
        return Milliseconds::kMaxCount;
    }
    return seconds * 1000;
}

// Overwrites a secret wherever the command line carried it: as an argument of its
// own ("-p", "pw") or at the end of an option ("-ppw", "--password=pw").
void HideSecretInArguments(int argc, char** argv, const std::string& password) {
    if (password.empty()) {
        return;
    }
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        const std::size_t length = std::strlen(argv[i]);
        if (length < password.size() || std::memcmp(argv[i] + length - password.size(),
                                                    password.data(), password.size()) != 0) {
            continue;
        }
        if (length == password.size() || argv[i][0] == '-') {
            std::memset(argv[i] + length - password.size(), 'x', password.size());
        }
    }
}

// The texts a server or the input can fill with any bytes; the document must be
// valid UTF-8 and the JSON writer refuses anything else. The result size stays the
// count of bytes received. A valid text is not copied.
void RepairTextsForTheDocument(SshTestResult& result) {
    using VekLibrary::StringUtilities::FindInvalidUtf8;
    using VekLibrary::StringUtilities::ToValidUtf8;
    const auto repair = [&result](const std::string& (SshTestResult::*get)() const,
                                  void (SshTestResult::*set)(const std::string&)) {
        const std::string& text = (result.*get)();
        if (FindInvalidUtf8(text) != std::string::npos) {
            (result.*set)(ToValidUtf8(text));
        }
    };
    repair(&SshTestResult::GetTestId, &SshTestResult::SetTestId);
    repair(&SshTestResult::GetHostName, &SshTestResult::SetHostName);
    repair(&SshTestResult::GetServerIdentification, &SshTestResult::SetServerIdentification);
    // A server names its algorithms in US-ASCII, a hostile one in any bytes.
    const auto& offer = result.GetServerAlgorithmOffer();
    if (offer && std::any_of(offer->lists.begin(), offer->lists.end(), [](const std::string& list) {
            return FindInvalidUtf8(list) != std::string::npos;
        })) {
        ServerAlgorithmOffer repaired = *offer;
        for (std::string& list : repaired.lists) {
            list = ToValidUtf8(list);
        }
        result.SetServerAlgorithmOffer(repaired);
    }
    // Moved in: the output may be many megabytes.
    const std::string& output = result.GetCommandExecutionResult();
    if (FindInvalidUtf8(output) != std::string::npos) {
        result.SetCommandExecutionResult(ToValidUtf8(output));
    }
    repair(&SshTestResult::GetErrorDetails, &SshTestResult::SetErrorDetails);
}

}  // namespace

SshTestSession::SshTestSession(
    std::shared_ptr<ISshTestSessionPolicyFactory> policyFactory, std::unique_ptr<ISshClient> client,
    std::unique_ptr<ISshTestResultSerializer> serializer,
    std::shared_ptr<VekLibrary::IoHandler::IStreamOutputHandler> stdoutHandler,
    std::shared_ptr<VekLibrary::VekLogger::ILogger> logger)
    : policyFactory_(std::move(policyFactory)),
      client_(std::move(client)),
      serializer_(std::move(serializer)),
      stdoutHandler_(std::move(stdoutHandler)),
      logger_(std::move(logger)) {
    if (!policyFactory_) {
        throw XBrokenInvariantsError("Policy factory cannot be null.");
    }
    if (!client_) {
        throw XBrokenInvariantsError("SSH client cannot be null.");
    }
    if (!serializer_) {
        throw XBrokenInvariantsError("Result serializer cannot be null.");
    }
    if (!stdoutHandler_) {
        throw XBrokenInvariantsError("Stdout output handler cannot be null.");
    }
    if (!logger_) {
        throw XBrokenInvariantsError("Logger cannot be null.");
    }
}

int SshTestSession::ExecuteTest(int argc, const char* const* argv) {
    return Run(argc, argv, nullptr);
}

int SshTestSession::ExecuteTest(int argc, char** argv) {
    return Run(argc, argv, argv);
}

int SshTestSession::Run(int argc, const char* const* argv, char** writableArgv) {
    std::unique_ptr<SshTestSessionPolicy> policy;
    StageWithoutTime stageWithoutTime = StageWithoutTime::None;
    try {
        const std::string help = policyFactory_->CreateOrReturnHelpMessage(argc, argv, policy);
        if (!help.empty()) {
            logger_->WriteLog(LogLevelEnum::Info, StringFormat("{}", help));
            return 0;
        }
        if (writableArgv != nullptr) {
            HideSecretInArguments(argc, writableArgv, policy->GetPassword());
            HideSecretInArguments(argc, writableArgv, policy->GetPrivateKeyArgument());
        }
        logger_->SetLoggerId(policy->GetTestId());
        logger_->SetLogLevelCutoff(policy->IsDebugModeEnabled() ? LogLevelEnum::Debug
                                                                : LogLevelEnum::Info);
        logger_->SetSanitizationHints(
            {policy->GetUsername().GetText(), policy->GetPassword().GetText()});
        logger_->WriteLog(LogLevelEnum::Debug, StringFormat("Test Input: {}", policy->ToString()));
        client_->SetLoggingHints(policy->IsDebugModeEnabled(), policy->IsUnsecuredModeEnabled());
        if (!policy->GetExpectedHostKeys().empty()) {
            client_->SetExpectedHostKeys(policy->GetExpectedHostKeys());
        }
        if (policy->GetKnownHosts()) {
            client_->SetKnownHosts(*policy->GetKnownHosts());
        }
        if (!policy->GetPrivateKey().GetText().empty()) {
            client_->SetPrivateKey(policy->GetPrivateKey());
        }
        stageWithoutTime = RunStages(*policy);
    } catch (const VekLibrary::IoHandler::XInvalidTestInputError& error) {
        logger_->WriteLog(LogLevelEnum::Error,
                          StringFormat("Invalid test input: {}", error.what()));
        return 1;
    } catch (const XSshClientError& error) {
        logger_->WriteLog(LogLevelEnum::Info, StringFormat("{}", error.what()));
    } catch (const XBrokenInvariantsError& error) {
        logger_->WriteLog(LogLevelEnum::Info, StringFormat("{}", error.what()));
    }
    return WriteResult(policy.get(), stageWithoutTime);
}

SshTestSession::StageWithoutTime SshTestSession::RunStages(const SshTestSessionPolicy& policy) {
    const auto family = policy.IsIpv6Enabled() ? VekLibrary::Networking::AddressFamilyEnum::Ipv6
                                               : VekLibrary::Networking::AddressFamilyEnum::Ipv4;
    const std::int64_t budget = BudgetOf(policy.GetTestTimeout());
    if (budget <= 0) {
        return StageWithoutTime::None;
    }
    std::int64_t left =
        client_->Connect(policy.GetHostName(), policy.GetPortNumber(), family, budget);
    // The handshake was the whole test: nothing of the user is ever sent.
    if (policy.IsHandshakeOnly()) {
        return StageWithoutTime::None;
    }
    if (left <= 0) {
        return StageWithoutTime::AuthenticateUser;
    }
    left = client_->AuthenticateUser(policy.GetUsername(), policy.GetPassword(), left);
    if (policy.GetCommands().empty()) {
        return StageWithoutTime::None;
    }
    if (left <= 0) {
        return StageWithoutTime::ExecuteCommands;
    }
    client_->ExecuteCommands(policy.GetCommands(), policy.GetMaxDownloadBytes(), left);
    return StageWithoutTime::None;
}

int SshTestSession::WriteResult(const SshTestSessionPolicy* policy,
                                StageWithoutTime stageWithoutTime) {
    try {
        std::unique_ptr<SshTestResult> result = client_->GetResults();
        if (!result) {
            logger_->WriteLog(LogLevelEnum::Error, "Failed to get test result.");
            return 1;
        }
        if (policy != nullptr) {
            result->SetTestId(policy->GetTestId());
        }
        // A stage skipped for lack of time would otherwise leave a document
        // without an error, which reads as a success.
        if (stageWithoutTime != StageWithoutTime::None && result->GetError().empty()) {
            result->SetError(VekLibrary::VekDomain::DataKeys::CommonTestErrors::TooMuchTimeError);
            result->SetErrorDetails(
                VekLibrary::XTestTimeout(stageWithoutTime == StageWithoutTime::AuthenticateUser
                                             ? "No time left to authenticate the user."
                                             : "No time left to execute the commands.")
                    .what());
        }
        RepairTextsForTheDocument(*result);
        stdoutHandler_->WriteOutput(serializer_->SerializeToJson(std::move(*result)));
        return 0;
    } catch (const VekLibrary::Serialization::XJsonError& error) {
        logger_->WriteLog(LogLevelEnum::Error, StringFormat("{}", error.what()));
    } catch (const VekLibrary::IoHandler::XInputOutputError& error) {
        logger_->WriteLog(LogLevelEnum::Error, StringFormat("{}", error.what()));
    }
    return 1;
}

}  // namespace Ssh
