#include "ssh/ServerOfferRecording.h"

#include "domain/Exceptions.h"
#include "ssh/event_handlers.h"

namespace Ssh {

static_assert(kServerOfferListCount == VEK_KEXINIT_NAME_LISTS,
              "the offer holds the lists of a KEXINIT in the library's order");

ServerOfferRecording::ServerOfferRecording(LIBSSH2_SESSION* session, SshTestResult& result)
    : context_(SessionContext::Of(session)), result_(result) {
    if (context_ == nullptr) {
        throw VekLibrary::XBrokenInvariantsError(
            "ServerOfferRecording needs a session with a context.");
    }
    context_->offerRecording = this;
    // The registration is per thread and kept for good; renewing it costs nothing.
    register_kexinit_received_handler(&OnKexinitReceived, nullptr);
}

ServerOfferRecording::~ServerOfferRecording() {
    context_->offerRecording = nullptr;
}

void ServerOfferRecording::OnKexinitReceived(LIBSSH2_SESSION* session,
                                             const unsigned char* const* lists,
                                             const std::size_t* lengths, void* /*unused*/) {
    const SessionContext* context = SessionContext::Of(session);
    if (context == nullptr || context->offerRecording == nullptr || lists == nullptr ||
        lengths == nullptr) {
        return;
    }
    // Called from C: nothing may be thrown through the library.
    try {
        ServerAlgorithmOffer offer;
        for (std::size_t index = 0; index < kServerOfferListCount; ++index) {
            offer.lists[index].assign(reinterpret_cast<const char*>(lists[index]), lengths[index]);
        }
        context->offerRecording->result_.SetServerAlgorithmOffer(offer);
    } catch (...) {
    }
}

}  // namespace Ssh
