#include "ssh/SessionContext.h"

#include "logger/StringFormat.h"

namespace Ssh {

SessionContext* SessionContext::Of(LIBSSH2_SESSION* session) {
    return session == nullptr ? nullptr : Of(libssh2_session_abstract(session));
}

SessionContext* SessionContext::Of(void** abstract) {
    return abstract == nullptr ? nullptr : static_cast<SessionContext*>(*abstract);
}

void SessionContext::WriteTrace(LIBSSH2_SESSION* session, void* /*unused*/, const char* text,
                                std::size_t length) {
    const SessionContext* context = Of(session);
    if (context == nullptr || context->logger == nullptr || text == nullptr) {
        return;
    }
    try {
        context->logger->WriteSanitizedLog(
            VekLibrary::VekLogger::LogLevelEnum::Debug,
            VekLibrary::VekLogger::StringFormat("Trace data: {}", std::string(text, length)));
    } catch (...) {
    }
}

}  // namespace Ssh
