// What each failure of each client operation records in the result and raises to
// the caller.
#include <exception>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "domain/CommonTestErrors.h"
#include "domain/Exceptions.h"
#include "networking/NetworkErrors.h"
#include "result/SshTestErrorKeys.h"
#include "ssh/SshClientErrors.h"
#include "ssh/StageFailures.h"

namespace {

namespace CommonTestErrors = VekLibrary::VekDomain::DataKeys::CommonTestErrors;
namespace SshTestErrorKeys = Ssh::SshTestErrorKeys;
using Op = Ssh::ClientOperationEnum;
using VekLibrary::XBrokenInvariantsError;
using VekLibrary::XTestTimeout;
using VekLibrary::Networking::XConnectError;
using VekLibrary::Networking::XNameResolutionError;

struct FailureCase {
    const char* name;
    Op operation;
    std::exception_ptr failure;
    std::string key;
    std::string details;
    std::string raised;
};

TEST(StageFailuresTest, EachFailureRecordsItsKeyAndDetailsAndRaisesItsText) {
    const std::string refused = "Connection to 192.0.2.7 failed. Reason: Connection refused";
    const std::string handshake = "Ssh handshake failure. Error : Socket was disconnected (-13).";
    const auto failure = [](auto error) { return std::make_exception_ptr(error); };
    const FailureCase cases[] = {
        {"name resolution", Op::Connect, failure(XNameResolutionError("no such host")),
         CommonTestErrors::DnsResolutionError, "no such host",
         "SshClient DNS error - no such host"},
        {"tcp", Op::Connect, failure(XConnectError("192.0.2.7", "Connection refused")),
         CommonTestErrors::UnknownConnectFailureError, refused,
         "SshClient TCP connection error - " + refused},
        {"connect timeout", Op::Connect, failure(XTestTimeout("SSH handshake timed out.")),
         CommonTestErrors::TooMuchTimeError, "A timeout occurred. Reason: SSH handshake timed out.",
         "SshClient connect timeout - A timeout occurred. Reason: SSH handshake timed out."},
        {"handshake", Op::Connect, failure(Ssh::XLibssh2Error("Ssh handshake failure.", -13)),
         SshTestErrorKeys::HandshakeFailureError, handshake, handshake},
        {"expired", Op::AuthenticateUser,
         failure(Ssh::XLibssh2Error("User authentication failed.", -15)),
         SshTestErrorKeys::PasswordExpiredError, "User authentication failed with status: -15",
         "User authentication failed. Error : Password expired (-15)."},
        {"auth timeout", Op::AuthenticateUser,
         failure(Ssh::XLibssh2Error("User authentication failed.", -9)),
         CommonTestErrors::TooMuchTimeError, "User authentication failed with status: -9",
         "User authentication failed. Error : Request timed out (-9)."},
        {"wrong password", Op::AuthenticateUser,
         failure(Ssh::XLibssh2Error("User authentication failed.", -18)),
         SshTestErrorKeys::AuthenticationFailedError, "User authentication failed with status: -18",
         "User authentication failed. Error : Authentication failed (-18)."},
        {"command failure", Op::ExecuteCommands,
         failure(Ssh::XLibssh2Error("All commands could not be sent to the server.", -21)),
         SshTestErrorKeys::CommandExecutionFailedError,
         "All commands could not be sent to the server. Error :  (-21).",
         "All commands could not be sent to the server. Error :  (-21)."},
        {"command timeout", Op::ExecuteCommands,
         failure(XTestTimeout("Reading data from the remote shell timed out.")),
         SshTestErrorKeys::CommandExecutionTimeoutError,
         "A timeout occurred. Reason: Reading data from the remote shell timed out.",
         "SshClient command execution timeout - A timeout occurred. Reason: Reading data from "
         "the remote shell timed out."},
        // Failures an operation cannot have, and argument errors, record nothing.
        {"timeout in authentication", Op::AuthenticateUser, failure(XTestTimeout("late")), "", "",
         "A timeout occurred. Reason: late"},
        {"name resolution in a command", Op::ExecuteCommands,
         failure(XNameResolutionError("no such host")), "", "", "no such host"},
        {"argument", Op::Connect, failure(XBrokenInvariantsError("Invalid timeout")), "", "",
         "Invalid timeout"},
        {"other", Op::ExecuteCommands, failure(std::runtime_error("other")), "", "", "other"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        Ssh::SshTestResult result;
        std::string raised = "nothing raised";
        try {
            Ssh::RecordAndRaise(c.operation, c.failure, result);
        } catch (const std::exception& error) {
            raised = error.what();
        }
        EXPECT_EQ(result.GetError(), c.key);
        EXPECT_EQ(result.GetErrorDetails(), c.details);
        EXPECT_EQ(raised, c.raised);
    }
}

TEST(StageFailuresTest, AnUnchangedFailureKeepsItsType) {
    Ssh::SshTestResult result;
    EXPECT_THROW(
        Ssh::GuardOperation(Op::Connect, result,
                            [] { throw Ssh::XLibssh2Error("Ssh handshake failure.", -2); }),
        Ssh::XLibssh2Error);
    EXPECT_THROW(Ssh::GuardOperation(Op::Connect, result, [] { throw XTestTimeout("late"); }),
                 Ssh::XSshClientError);
    EXPECT_NO_THROW(Ssh::GuardOperation(Op::Connect, result, [] {}));
}

}  // namespace
