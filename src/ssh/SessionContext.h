#pragma once

#include <libssh2.h>

#include <cstddef>
#include <string>

#include "domain/Deadline.h"
#include "logger/ILogger.h"

namespace Ssh {

class HandshakePhases;
class ServerOfferRecording;

// What the SSH library's callbacks for one session need of the client. Every one of
// them reaches it the same way: through the session's abstract pointer, which the
// client sets when it creates the session (libssh2_session_init_ex) and which the
// library hands to its callbacks, directly or with the session itself. The client
// owns the context and keeps it alive for as long as the session lives. Apart from
// the logger, each member is set only for the scope that needs it and null (or 0)
// otherwise.
struct SessionContext {
    // Receives the library's trace lines; must outlive the session.
    VekLibrary::VekLogger::ILogger* logger = nullptr;
    // Times the handshake's phases (HandshakePhases).
    HandshakePhases* phases = nullptr;
    // Records the server's KEXINIT (ServerOfferRecording).
    ServerOfferRecording* offerRecording = nullptr;
    // The deadline the library's read loops are held to (LibraryDeadline).
    const VekLibrary::VekDomain::Deadline* deadline = nullptr;
    // The answer to keyboard-interactive prompts, and the rounds of prompts answered.
    const std::string* password = nullptr;
    int promptRounds = 0;

    // The context of `session`; null for a null session or one created without.
    static SessionContext* Of(LIBSSH2_SESSION* session);
    // The context behind a callback's abstract pointer; null for none.
    static SessionContext* Of(void** abstract);

    // The library's trace callback (libssh2_trace_sethandler): writes "Trace data:
    // <text>" through the logger's masking write at Debug level. Called from C:
    // never throws.
    static void WriteTrace(LIBSSH2_SESSION* session, void* unused, const char* text,
                           std::size_t length);
};

}  // namespace Ssh
