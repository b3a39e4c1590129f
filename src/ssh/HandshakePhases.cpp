#include "ssh/HandshakePhases.h"

#include <cstring>

#include "domain/Exceptions.h"
#include "ssh/event_handlers.h"

namespace Ssh {

using VekLibrary::VekLogger::LogLevelEnum;

namespace {

HandshakePhases* PhasesOf(LIBSSH2_SESSION* session) {
    const SessionContext* context = SessionContext::Of(session);
    return context != nullptr ? context->phases : nullptr;
}

}  // namespace

HandshakePhases::HandshakePhases(LIBSSH2_SESSION* session, StageClock& clock, SshTestResult& result,
                                 VekLibrary::VekLogger::ILogger& logger)
    : context_(SessionContext::Of(session)), clock_(clock), result_(result), logger_(logger) {
    if (context_ == nullptr) {
        throw VekLibrary::XBrokenInvariantsError("HandshakePhases needs a session with a context.");
    }
    context_->phases = this;
    // The registrations are per thread and kept for good; renewing them costs nothing.
    register_banner_received_handler(&OnBannerReceived, nullptr);
    register_key_exchanged_handler(&OnKeyExchanged, nullptr);
}

HandshakePhases::~HandshakePhases() {
    context_->phases = nullptr;
}

void HandshakePhases::OnBannerReceived(LIBSSH2_SESSION* session, int status, void* /*unused*/) {
    HandshakePhases* phases = PhasesOf(session);
    if (phases == nullptr || status == LIBSSH2_ERROR_EAGAIN) {
        return;
    }
    // Called from C: nothing may be thrown through the library.
    try {
        // Every line counts; the last one before the key exchange is the banner.
        phases->clock_.EndAtLatest(StageEnum::BannerExchange, phases->result_);
        if (status >= 0) {
            phases->bannerReceived_ = true;
            // A server may send other lines first; only its identification
            // string completes the exchange.
            const char* line = libssh2_session_banner_get(session);
            if (line != nullptr && std::strncmp(line, "SSH-", 4) == 0) {
                phases->logger_.WriteLog(LogLevelEnum::Info,
                                         "Server banner exchange completed successfully.");
            }
        }
    } catch (...) {
    }
}

void HandshakePhases::OnKeyExchanged(LIBSSH2_SESSION* session, int status, void* /*unused*/) {
    HandshakePhases* phases = PhasesOf(session);
    if (phases == nullptr || status == LIBSSH2_ERROR_EAGAIN || !phases->bannerReceived_) {
        return;
    }
    try {
        phases->clock_.End(StageEnum::KeyExchange, phases->result_);
        if (status >= 0) {
            phases->keyExchanged_ = true;
            phases->logger_.WriteLog(LogLevelEnum::Info, "Key exchange completed successfully.");
        }
    } catch (...) {
    }
}

}  // namespace Ssh
