#pragma once

#include <string>

// The SSH-specific error codes a result's error field can carry (the common ones
// are in VekLibrary::VekDomain::DataKeys::CommonTestErrors). Constructed before any
// ordinary static initialiser runs, so other files may read them from their own
// static initialisers.
namespace Ssh::SshTestErrorKeys {

extern const std::string CommandTooLongError;
extern const std::string InvalidHostError;
extern const std::string HandshakeFailureError;
extern const std::string HandshakeTimeoutError;
extern const std::string AuthenticationFailedError;
extern const std::string AuthenticationTimeoutError;
extern const std::string PasswordExpiredError;
extern const std::string CommandExecutionFailedError;
extern const std::string CommandExecutionTimeoutError;
extern const std::string UnknownError;
// The server's host key is not one the test trusts, or is revoked.
extern const std::string HostKeyMismatchError;
// The known hosts the test trusts list no key for the server's name.
extern const std::string HostKeyUnknownError;

}  // namespace Ssh::SshTestErrorKeys
