#include "ssh/LibraryDeadline.h"

#include "ssh/event_handlers.h"

namespace Ssh {

namespace {

// The guard whose deadline the library sees on this thread; null when none.
thread_local LibraryDeadline* innermost = nullptr;

}  // namespace

LibraryDeadline::LibraryDeadline(const VekLibrary::VekDomain::Deadline& deadline)
    : deadline_(deadline), enclosing_(innermost) {
    innermost = this;
    register_deadline_handler(&HasPassed, this);
}

LibraryDeadline::~LibraryDeadline() {
    innermost = enclosing_;
    // The library keeps a registration for good; a null user pointer makes the
    // hook answer "not passed", which is how the library behaves without one.
    register_deadline_handler(&HasPassed, enclosing_);
}

int LibraryDeadline::HasPassed(LIBSSH2_SESSION* /*session*/, void* userPointer) {
    const auto* guard = static_cast<const LibraryDeadline*>(userPointer);
    return guard != nullptr && guard->deadline_.HasPassed() ? 1 : 0;
}

}  // namespace Ssh
