#ifndef VEK_EVENT_HANDLERS_H
#define VEK_EVENT_HANDLERS_H

/*
 * Handshake event hooks compiled into our libssh2 build.
 *
 * libssh2 has no notification for "the server's identification line arrived"
 * or "the initial key exchange finished"; the SSH client needs both moments to
 * time the handshake phases. Each thread keeps its own registration: a handshake
 * only ever reaches the callbacks registered on the thread that runs it.
 *
 * Registering a null callback changes nothing (an earlier registration stays in
 * force); there is no way to remove one, and the library never resets it.
 * The status is a libssh2 error code, 0 for success; -37 (EAGAIN) events may be
 * fired many times while a blocking handshake waits for the socket.
 */

#include <libssh2.h>

/* Visible even when the library is built with hidden symbols. */
#define VEK_EVENT_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*libssh2_handshake_event_cb)(LIBSSH2_SESSION* session, int status,
                                           void* user_pointer);

VEK_EVENT_API void register_banner_received_handler(libssh2_handshake_event_cb callback,
                                                    void* user_pointer);
VEK_EVENT_API void register_key_exchanged_handler(libssh2_handshake_event_cb callback,
                                                  void* user_pointer);

/* Fired from inside libssh2_session_handshake. */
VEK_EVENT_API void _event_session_banner_received(LIBSSH2_SESSION* session, int status);
VEK_EVENT_API void _event_key_exchanged(LIBSSH2_SESSION* session, int status);

#ifdef __cplusplus
}
#endif

#endif /* VEK_EVENT_HANDLERS_H */
