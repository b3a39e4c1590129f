/*
 * Per-thread handshake event registrations; see event_handlers.h.
 * This file is compiled into libssh2 by scripts/bootstrap, not into our own
 * libraries, because the events fire from inside the library's handshake.
 */

#include "event_handlers.h"

#include <stddef.h>

struct event_handlers {
    libssh2_handshake_event_cb banner_received;
    void* banner_received_user_pointer;
    libssh2_handshake_event_cb key_exchanged;
    void* key_exchanged_user_pointer;
    libssh2_deadline_cb deadline;
    void* deadline_user_pointer;
    libssh2_kexinit_event_cb kexinit_received;
    void* kexinit_received_user_pointer;
};

static _Thread_local struct event_handlers handlers;

void register_banner_received_handler(libssh2_handshake_event_cb callback, void* user_pointer) {
    if (callback == NULL) return;
    handlers.banner_received = callback;
    handlers.banner_received_user_pointer = user_pointer;
}

void register_key_exchanged_handler(libssh2_handshake_event_cb callback, void* user_pointer) {
    if (callback == NULL) return;
    handlers.key_exchanged = callback;
    handlers.key_exchanged_user_pointer = user_pointer;
}

void register_deadline_handler(libssh2_deadline_cb callback, void* user_pointer) {
    if (callback == NULL) return;
    handlers.deadline = callback;
    handlers.deadline_user_pointer = user_pointer;
}

void register_kexinit_received_handler(libssh2_kexinit_event_cb callback, void* user_pointer) {
    if (callback == NULL) return;
    handlers.kexinit_received = callback;
    handlers.kexinit_received_user_pointer = user_pointer;
}

void _event_session_banner_received(LIBSSH2_SESSION* session, int status) {
    if (handlers.banner_received != NULL)
        handlers.banner_received(session, status, handlers.banner_received_user_pointer);
}

void _event_key_exchanged(LIBSSH2_SESSION* session, int status) {
    if (handlers.key_exchanged != NULL)
        handlers.key_exchanged(session, status, handlers.key_exchanged_user_pointer);
}

int _event_deadline_passed(LIBSSH2_SESSION* session) {
    if (handlers.deadline == NULL) return 0;
    return handlers.deadline(session, handlers.deadline_user_pointer) != 0;
}

void _event_kexinit_received(LIBSSH2_SESSION* session, const unsigned char* const* lists,
                             const size_t* lengths) {
    if (handlers.kexinit_received != NULL)
        handlers.kexinit_received(session, lists, lengths, handlers.kexinit_received_user_pointer);
}
