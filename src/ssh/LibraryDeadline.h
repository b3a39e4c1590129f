#pragma once

#include <libssh2.h>

#include "domain/Deadline.h"
#include "ssh/SessionContext.h"

namespace Ssh {

// Holds the SSH library to a deadline inside the loops that a server can keep
// busy by sending without pause: the lines before its identification string and
// the packet reads of the key exchange, authentication and channel. While a guard
// lives, the library answers "would block" (LIBSSH2_ERROR_EAGAIN) from those loops
// of its session once the deadline has passed, keeping whatever it has read, so
// the caller's own wait, which checks the same deadline before it polls, reports
// the time-out.
//
// The guard puts its deadline into the session's context (SessionContext) for its
// scope, where the library's deadline hook finds it, and puts back the one it
// replaced when destroyed, so guards nest. A session without a context is not held.
class LibraryDeadline final {
public:
    LibraryDeadline(LIBSSH2_SESSION* session, const VekLibrary::VekDomain::Deadline& deadline);
    ~LibraryDeadline();
    LibraryDeadline(const LibraryDeadline&) = delete;
    LibraryDeadline& operator=(const LibraryDeadline&) = delete;

    // The hook itself; it finds the deadline through the session, so the
    // registration's user pointer is unused. It reads only the session's abstract
    // pointer and the clock, so it is cheap and never calls into the library's
    // transport. Called from C inside the library: never throws.
    static int HasPassed(LIBSSH2_SESSION* session, void* unused);

private:
    SessionContext* context_;
    VekLibrary::VekDomain::Deadline deadline_;
    const VekLibrary::VekDomain::Deadline* enclosing_ = nullptr;
};

}  // namespace Ssh
