#pragma once

#include <libssh2.h>

#include <functional>
#include <string>

#include "ssh/SessionContext.h"

namespace Ssh {

// Logs a user in on a connected, non-blocking session: with the private key when
// one is given (the password is then only its passphrase and is never sent),
// else with the password, answered to keyboard-interactive prompts when the server
// does not offer "password".
//
// Every library call goes through `drive`, which repeats it while it would block,
// waiting on the socket in between, and returns its final code, or
// LIBSSH2_ERROR_TIMEOUT once the stage's deadline has passed (a failed wait raises).
// The keyboard-interactive prompts are answered through the session's context
// (SessionContext).
class UserAuthentication final {
public:
    using DriveCall = std::function<int(const std::function<int()>& call)>;

    // A server asking more rounds of prompts than this is refused.
    static constexpr int kMaximumPromptRounds = 3;

    // Throws XBrokenInvariantsError for a session without a context or no `drive`.
    UserAuthentication(LIBSSH2_SESSION* session, DriveCall drive);

    // 0 once the server has accepted the user, else a negative libssh2 code.
    // An empty `privateKey` means password authentication.
    int Authenticate(const std::string& userName, const std::string& password,
                     const std::string& privateKey);

private:
    int WithPrivateKey(const std::string& userName, const std::string& passphrase,
                       const std::string& privateKey);
    int WithPassword(const std::string& userName, const std::string& password);
    int WithKeyboardInteractive(const std::string& userName, const std::string& password);
    // The comma-separated methods the server offers; empty with rc 0 when it has
    // let the user in without any ("none" accepted).
    int ListMethods(const std::string& userName, std::string& methods);

    LIBSSH2_SESSION* session_;
    SessionContext* context_;
    DriveCall drive_;
};

}  // namespace Ssh
