#pragma once

#include <libssh2.h>

#include "domain/Deadline.h"

namespace Ssh {

// Holds the SSH library to a deadline inside the loops that a server can keep
// busy by sending without pause: the lines before its identification string and
// the packet reads of the key exchange, authentication and channel. While a guard
// lives, the library answers "would block" (LIBSSH2_ERROR_EAGAIN) from those
// loops once the deadline has passed, keeping whatever it has read, so the
// caller's own wait, which checks the same deadline before it polls, reports the
// time-out.
//
// The library's hook is per thread; a guard registers it for its scope on the
// thread that creates it and hands it back to the enclosing guard (or to none) on
// destruction, so guards nest. A guard must be destroyed on the thread that
// created it, in reverse order of creation.
class LibraryDeadline final {
public:
    explicit LibraryDeadline(const VekLibrary::VekDomain::Deadline& deadline);
    ~LibraryDeadline();
    LibraryDeadline(const LibraryDeadline&) = delete;
    LibraryDeadline& operator=(const LibraryDeadline&) = delete;

private:
    // Called from C inside the library: never throws.
    static int HasPassed(LIBSSH2_SESSION* session, void* userPointer);

    VekLibrary::VekDomain::Deadline deadline_;
    LibraryDeadline* enclosing_;
};

}  // namespace Ssh
