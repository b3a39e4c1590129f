#pragma once

#include <libssh2.h>

#include "logger/ILogger.h"
#include "result/SshTestResult.h"
#include "ssh/StageClock.h"

namespace Ssh {

// Times the SSH handshake's phases from the event hooks compiled into our libssh2
// (event_handlers.h). While an object lives, the banner and key exchange events of
// handshakes on the constructing thread end the banner exchange and key exchange
// stages on `clock`, write their durations into `result` and are logged; all three
// must outlive the object. The library keeps a registration for good, so the
// destructor leaves one that does nothing.
class HandshakePhases final {
public:
    HandshakePhases(StageClock& clock, SshTestResult& result,
                    VekLibrary::VekLogger::ILogger& logger);
    ~HandshakePhases();
    HandshakePhases(const HandshakePhases&) = delete;
    HandshakePhases& operator=(const HandshakePhases&) = delete;

    // Whether the initial key exchange has succeeded.
    bool KeyExchanged() const { return keyExchanged_; }

    // The hooks; `userPointer` is the object, or null for none (then they do
    // nothing). Nothing is thrown back into the library.
    static void OnBannerReceived(LIBSSH2_SESSION* session, int status, void* userPointer);
    static void OnKeyExchanged(LIBSSH2_SESSION* session, int status, void* userPointer);

private:
    StageClock& clock_;
    SshTestResult& result_;
    VekLibrary::VekLogger::ILogger& logger_;
    bool bannerReceived_ = false;
    bool keyExchanged_ = false;
};

}  // namespace Ssh
