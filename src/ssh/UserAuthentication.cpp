#include "ssh/UserAuthentication.h"

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <utility>

#include "domain/Exceptions.h"
#include "ssh/SessionContext.h"

namespace Ssh {

namespace {

// The library answers a password-change request by asking for a new password; the
// probe has none to give, so leaving it empty makes the library report the
// password as expired.
void DeclinePasswordChange(LIBSSH2_SESSION* /*session*/, char** newPassword, int* newPasswordLength,
                           void** /*abstract*/) {
    *newPassword = nullptr;
    *newPasswordLength = 0;
}

bool Offers(const std::string& methods, const std::string& method) {
    std::istringstream list(methods);
    std::string each;
    while (std::getline(list, each, ',')) {
        if (each == method) {
            return true;
        }
    }
    return false;
}

// Allocated with malloc: the library releases each answer with its default free.
char* CopyForLibrary(const std::string& text) {
    auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy != nullptr) {
        std::memcpy(copy, text.data(), text.size());
        copy[text.size()] = '\0';
    }
    return copy;
}

void AnswerPrompts(const char* /*name*/, int /*nameLength*/, const char* /*instruction*/,
                   int /*instructionLength*/, int promptCount,
                   const LIBSSH2_USERAUTH_KBDINT_PROMPT* /*prompts*/,
                   LIBSSH2_USERAUTH_KBDINT_RESPONSE* responses, void** abstract) {
    SessionContext* context = SessionContext::Of(abstract);
    if (context == nullptr || context->password == nullptr) {
        return;
    }
    ++context->promptRounds;
    // Past the cap the password is not sent again: the answers stay empty and
    // the caller ends the exchange.
    const bool answer = context->promptRounds <= UserAuthentication::kMaximumPromptRounds;
    const std::string& password = *context->password;
    for (int i = 0; i < promptCount; ++i) {
        char* text = answer ? CopyForLibrary(password) : CopyForLibrary("");
        responses[i].text = text;
        responses[i].length =
            text == nullptr || !answer ? 0 : static_cast<unsigned int>(password.size());
    }
}

// Lends the password to the prompt callback through the session's context for the
// scope of one keyboard-interactive exchange.
class PromptAnswers final {
public:
    PromptAnswers(SessionContext& context, const std::string& password) : context_(context) {
        context_.password = &password;
        context_.promptRounds = 0;
    }
    ~PromptAnswers() { context_.password = nullptr; }
    PromptAnswers(const PromptAnswers&) = delete;
    PromptAnswers& operator=(const PromptAnswers&) = delete;

    bool PastTheCap() const {
        return context_.promptRounds > UserAuthentication::kMaximumPromptRounds;
    }

private:
    SessionContext& context_;
};

}  // namespace

UserAuthentication::UserAuthentication(LIBSSH2_SESSION* session, DriveCall drive)
    : session_(session), context_(SessionContext::Of(session)), drive_(std::move(drive)) {
    if (context_ == nullptr || !drive_) {
        throw VekLibrary::XBrokenInvariantsError(
            "UserAuthentication needs a session with a context and a way to drive its calls.");
    }
}

int UserAuthentication::Authenticate(const std::string& userName, const std::string& password,
                                     const std::string& privateKey) {
    if (!privateKey.empty()) {
        return WithPrivateKey(userName, password, privateKey);
    }
    std::string methods;
    const int rc = ListMethods(userName, methods);
    if (rc < 0 || (methods.empty() && libssh2_userauth_authenticated(session_) != 0)) {
        return rc;
    }
    if (!Offers(methods, "password") && Offers(methods, "keyboard-interactive")) {
        return WithKeyboardInteractive(userName, password);
    }
    // Also when neither is offered: the server then refuses the password, which
    // reports the user as refused (-18).
    return WithPassword(userName, password);
}

int UserAuthentication::WithPrivateKey(const std::string& userName, const std::string& passphrase,
                                       const std::string& privateKey) {
    // No public key: the library derives it from the private one.
    return drive_([&] {
        return libssh2_userauth_publickey_frommemory(
            session_, userName.data(), userName.size(), nullptr, 0, privateKey.data(),
            privateKey.size(), passphrase.empty() ? nullptr : passphrase.c_str());
    });
}

int UserAuthentication::WithPassword(const std::string& userName, const std::string& password) {
    return drive_([&] {
        return libssh2_userauth_password_ex(
            session_, userName.data(), static_cast<unsigned int>(userName.size()), password.data(),
            static_cast<unsigned int>(password.size()), &DeclinePasswordChange);
    });
}

int UserAuthentication::WithKeyboardInteractive(const std::string& userName,
                                                const std::string& password) {
    const PromptAnswers answers(*context_, password);
    const int rc = drive_([&] {
        if (answers.PastTheCap()) {
            return static_cast<int>(LIBSSH2_ERROR_AUTHENTICATION_FAILED);
        }
        return libssh2_userauth_keyboard_interactive_ex(
            session_, userName.data(), static_cast<unsigned int>(userName.size()), &AnswerPrompts);
    });
    return answers.PastTheCap() ? LIBSSH2_ERROR_AUTHENTICATION_FAILED : rc;
}

int UserAuthentication::ListMethods(const std::string& userName, std::string& methods) {
    methods.clear();
    return drive_([&] {
        const char* list = libssh2_userauth_list(session_, userName.data(),
                                                 static_cast<unsigned int>(userName.size()));
        if (list != nullptr) {
            methods = list;
            return 0;
        }
        if (libssh2_userauth_authenticated(session_) != 0) {
            return 0;
        }
        return libssh2_session_last_errno(session_);
    });
}

}  // namespace Ssh
