#pragma once

#include <libssh2.h>

#include "logger/ILogger.h"
#include "result/SshTestResult.h"
#include "ssh/SessionContext.h"
#include "ssh/StageClock.h"

namespace Ssh {

// Times the SSH handshake's phases from the event hooks compiled into our libssh2
// (event_handlers.h). While an object lives, the banner and key exchange events of
// `session`'s handshake end the banner exchange and key exchange stages on `clock`,
// write their durations into `result` and are logged; all three must outlive the
// object. The hooks find the object through the session's context
// (SessionContext), which the object occupies for its life; events of other
// sessions, or of none, do nothing.
class HandshakePhases final {
public:
    // Throws XBrokenInvariantsError for a session without a context.
    HandshakePhases(LIBSSH2_SESSION* session, StageClock& clock, SshTestResult& result,
                    VekLibrary::VekLogger::ILogger& logger);
    ~HandshakePhases();
    HandshakePhases(const HandshakePhases&) = delete;
    HandshakePhases& operator=(const HandshakePhases&) = delete;

    // Whether the initial key exchange has succeeded.
    bool KeyExchanged() const { return keyExchanged_; }

    // The hooks; the registration's user pointer is unused. Nothing is thrown back
    // into the library.
    static void OnBannerReceived(LIBSSH2_SESSION* session, int status, void* unused);
    static void OnKeyExchanged(LIBSSH2_SESSION* session, int status, void* unused);

private:
    SessionContext* context_;
    StageClock& clock_;
    SshTestResult& result_;
    VekLibrary::VekLogger::ILogger& logger_;
    bool bannerReceived_ = false;
    bool keyExchanged_ = false;
};

}  // namespace Ssh
