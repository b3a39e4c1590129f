#pragma once

#include <libssh2.h>

#include <cstddef>

#include "result/SshTestResult.h"
#include "ssh/SessionContext.h"

namespace Ssh {

// Records what the server offers in its KEXINIT from the hook compiled into our
// libssh2 (event_handlers.h). While an object lives, each KEXINIT of `session`'s
// server is copied into `result` the moment it arrives, before the library agrees on
// anything, so the offer is there even when the key exchange then fails; `result`
// must outlive the object. The hook finds the object through the session's context
// (SessionContext), which the object occupies for its life; a KEXINIT of another
// session, or of none, does nothing.
class ServerOfferRecording final {
public:
    // Throws XBrokenInvariantsError for a session without a context.
    ServerOfferRecording(LIBSSH2_SESSION* session, SshTestResult& result);
    ~ServerOfferRecording();
    ServerOfferRecording(const ServerOfferRecording&) = delete;
    ServerOfferRecording& operator=(const ServerOfferRecording&) = delete;

    // The hook; the registration's user pointer is unused. Nothing is thrown back
    // into the library.
    static void OnKexinitReceived(LIBSSH2_SESSION* session, const unsigned char* const* lists,
                                  const std::size_t* lengths, void* unused);

private:
    SessionContext* context_;
    SshTestResult& result_;
};

}  // namespace Ssh
