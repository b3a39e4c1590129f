#include "ssh/HandshakePhases.h"

#include <cstring>

#include "ssh/event_handlers.h"

namespace Ssh {

using VekLibrary::VekLogger::LogLevelEnum;

HandshakePhases::HandshakePhases(StageClock& clock, SshTestResult& result,
                                 VekLibrary::VekLogger::ILogger& logger)
    : clock_(clock), result_(result), logger_(logger) {
    register_banner_received_handler(&OnBannerReceived, this);
    register_key_exchanged_handler(&OnKeyExchanged, this);
}

HandshakePhases::~HandshakePhases() {
    // A later handshake on this thread must not reach this object.
    register_banner_received_handler(&OnBannerReceived, nullptr);
    register_key_exchanged_handler(&OnKeyExchanged, nullptr);
}

void HandshakePhases::OnBannerReceived(LIBSSH2_SESSION* session, int status, void* userPointer) {
    auto* phases = static_cast<HandshakePhases*>(userPointer);
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

void HandshakePhases::OnKeyExchanged(LIBSSH2_SESSION* /*session*/, int status, void* userPointer) {
    auto* phases = static_cast<HandshakePhases*>(userPointer);
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
