#include "ssh/OperationFailures.h"

#include <libssh2.h>

#include <cstdint>
#include <string>

#include "domain/CommonTestErrors.h"
#include "domain/Exceptions.h"
#include "networking/NetworkErrors.h"
#include "result/SshTestErrorKeys.h"
#include "ssh/SshClientErrors.h"
#include "ssh/XHostKeyMismatchError.h"
#include "ssh/XHostKeyUnknownError.h"

namespace Ssh {

namespace {

namespace CommonTestErrors = VekLibrary::VekDomain::DataKeys::CommonTestErrors;
using VekLibrary::XTestTimeout;
using VekLibrary::Networking::XConnectError;
using VekLibrary::Networking::XNameResolutionError;

template <typename Failure>
bool Is(const std::exception& error) {
    return dynamic_cast<const Failure*>(&error) != nullptr;
}

template <std::int64_t code>
bool IsLibssh2Code(const std::exception& error) {
    const auto* failure = dynamic_cast<const XLibssh2Error*>(&error);
    return failure != nullptr && failure->Code() == code;
}

std::string What(const std::exception& error) {
    return error.what();
}

std::string AuthenticationStatus(const std::exception& error) {
    return "User authentication failed with status: " +
           std::to_string(dynamic_cast<const XLibssh2Error&>(error).Code());
}

// The operations a row applies to, one bit each.
constexpr unsigned Only(ClientOperationEnum operation) {
    return 1u << static_cast<unsigned>(operation);
}
constexpr unsigned kEveryOperation = Only(ClientOperationEnum::Connect) |
                                     Only(ClientOperationEnum::AuthenticateUser) |
                                     Only(ClientOperationEnum::ExecuteCommands);

struct FailureRow {
    unsigned operations;
    bool (*matches)(const std::exception&);
    const std::string& key;
    std::string (*details)(const std::exception&);
    // Null: the exception itself is raised again.
    const char* raisedPrefix;
};

using Op = ClientOperationEnum;

// The first row of the operation that matches decides.
const FailureRow kFailureRows[] = {
    {kEveryOperation, &Is<XConnectError>, CommonTestErrors::UnknownConnectFailureError, &What,
     "SshClient TCP connection error - "},
    {Only(Op::Connect), &Is<XNameResolutionError>, CommonTestErrors::DnsResolutionError, &What,
     "SshClient DNS error - "},
    {Only(Op::Connect), &Is<XTestTimeout>, CommonTestErrors::TooMuchTimeError, &What,
     "SshClient connect timeout - "},
    {Only(Op::Connect), &Is<XLibssh2Error>, SshTestErrorKeys::HandshakeFailureError, &What,
     nullptr},
    {Only(Op::Connect), &Is<XHostKeyMismatchError>, SshTestErrorKeys::HostKeyMismatchError, &What,
     "SshClient host key mismatch - "},
    {Only(Op::Connect), &Is<XHostKeyUnknownError>, SshTestErrorKeys::HostKeyUnknownError, &What,
     "SshClient host key unknown - "},
    {Only(Op::AuthenticateUser), &IsLibssh2Code<LIBSSH2_ERROR_PASSWORD_EXPIRED>,
     SshTestErrorKeys::PasswordExpiredError, &AuthenticationStatus, nullptr},
    {Only(Op::AuthenticateUser), &IsLibssh2Code<LIBSSH2_ERROR_TIMEOUT>,
     CommonTestErrors::TooMuchTimeError, &AuthenticationStatus, nullptr},
    {Only(Op::AuthenticateUser), &Is<XLibssh2Error>, SshTestErrorKeys::AuthenticationFailedError,
     &AuthenticationStatus, nullptr},
    {Only(Op::ExecuteCommands), &Is<XLibssh2Error>, SshTestErrorKeys::CommandExecutionFailedError,
     &What, nullptr},
    {Only(Op::ExecuteCommands), &Is<XTestTimeout>, SshTestErrorKeys::CommandExecutionTimeoutError,
     &What, "SshClient command execution timeout - "},
};

}  // namespace

void RecordAndRaise(ClientOperationEnum operation, const std::exception_ptr& failure,
                    SshTestResult& result) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        for (const FailureRow& row : kFailureRows) {
            if ((row.operations & Only(operation)) == 0 || !row.matches(error)) {
                continue;
            }
            result.SetError(row.key);
            result.SetErrorDetails(row.details(error));
            if (row.raisedPrefix != nullptr) {
                throw XSshClientError(row.raisedPrefix + std::string(error.what()));
            }
            throw;
        }
        throw;
    }
}

}  // namespace Ssh
