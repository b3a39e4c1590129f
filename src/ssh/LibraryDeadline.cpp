#include "ssh/LibraryDeadline.h"

#include "ssh/event_handlers.h"

namespace Ssh {

LibraryDeadline::LibraryDeadline(LIBSSH2_SESSION* session,
                                 const VekLibrary::VekDomain::Deadline& deadline)
    : context_(SessionContext::Of(session)), deadline_(deadline) {
    if (context_ != nullptr) {
        enclosing_ = context_->deadline;
        context_->deadline = &deadline_;
    }
    // The registration is per thread and kept for good; renewing it costs nothing.
    register_deadline_handler(&HasPassed, nullptr);
}

LibraryDeadline::~LibraryDeadline() {
    if (context_ != nullptr) {
        context_->deadline = enclosing_;
    }
}

int LibraryDeadline::HasPassed(LIBSSH2_SESSION* session, void* /*unused*/) {
    const SessionContext* context = SessionContext::Of(session);
    try {
        return context != nullptr && context->deadline != nullptr && context->deadline->HasPassed()
                   ? 1
                   : 0;
    } catch (...) {
        return 0;
    }
}

}  // namespace Ssh
