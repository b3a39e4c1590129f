#ifndef VEK_EVENT_HANDLERS_H
#define VEK_EVENT_HANDLERS_H

/*
 * Handshake event hooks compiled into our libssh2 build.
 *
 * libssh2 has no notification for "the server's identification line arrived"
 * or "the initial key exchange finished"; the SSH client needs both moments to
 * time the handshake phases. Nor does it tell what the server offered: the
 * KEXINIT hook hands over the server's name-lists as they arrive, before the
 * library agrees on anything, so they are known even when no agreement can be
 * reached. Each thread keeps its own registration: a handshake only ever
 * reaches the callbacks registered on the thread that runs it.
 *
 * Registering a null callback changes nothing (an earlier registration stays in
 * force); there is no way to remove one, and the library never resets it.
 * The status is a libssh2 error code, 0 for success; -37 (EAGAIN) events may be
 * fired many times while a blocking handshake waits for the socket.
 *
 * The deadline hook lets the caller stop the library inside loops that would
 * otherwise run for as long as a server keeps sending: the lines before the
 * server's identification string and the packet reads (during the key
 * exchange, authentication, channel reads and waits). While the callback
 * answers non-zero, those loops stop before they read any further from the
 * socket and return LIBSSH2_ERROR_EAGAIN, exactly as when the socket has
 * nothing to read, so everything already read (a partial line or packet) is
 * kept and the call can be repeated; a blocking call fails with
 * LIBSSH2_ERROR_TIMEOUT instead of waiting. With no deadline callback
 * registered the library behaves as it always did. The callback is queried
 * often (once per packet, once per byte of the identification exchange), so it
 * must be cheap and must not call into the library.
 */

#include <libssh2.h>

/* Visible even when the library is built with hidden symbols. */
#define VEK_EVENT_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*libssh2_handshake_event_cb)(LIBSSH2_SESSION* session, int status,
                                           void* user_pointer);
/* The name-lists of an SSH_MSG_KEXINIT in the message's order: key exchange,
   host key, cipher client to server, cipher server to client, MAC client to
   server, MAC server to client, compression client to server, compression
   server to client (the two language lists are left out). */
#define VEK_KEXINIT_NAME_LISTS 8
/* Each list is `lengths[i]` bytes at `lists[i]`, not terminated, as received;
   valid only during the call. Fired for every KEXINIT of the server that holds
   all eight lists, rekeying included. */
typedef void (*libssh2_kexinit_event_cb)(LIBSSH2_SESSION* session,
                                         const unsigned char* const* lists, const size_t* lengths,
                                         void* user_pointer);
/* Returns non-zero once the caller's deadline has passed. */
typedef int (*libssh2_deadline_cb)(LIBSSH2_SESSION* session, void* user_pointer);

VEK_EVENT_API void register_banner_received_handler(libssh2_handshake_event_cb callback,
                                                    void* user_pointer);
VEK_EVENT_API void register_key_exchanged_handler(libssh2_handshake_event_cb callback,
                                                  void* user_pointer);
VEK_EVENT_API void register_deadline_handler(libssh2_deadline_cb callback, void* user_pointer);
VEK_EVENT_API void register_kexinit_received_handler(libssh2_kexinit_event_cb callback,
                                                     void* user_pointer);

/* Fired from inside libssh2_session_handshake. */
VEK_EVENT_API void _event_session_banner_received(LIBSSH2_SESSION* session, int status);
VEK_EVENT_API void _event_key_exchanged(LIBSSH2_SESSION* session, int status);
/* Fired from the library's key exchange once the server's KEXINIT is parsed. */
VEK_EVENT_API void _event_kexinit_received(LIBSSH2_SESSION* session,
                                           const unsigned char* const* lists,
                                           const size_t* lengths);
/* Queried from the library's read loops: non-zero when the deadline has passed. */
VEK_EVENT_API int _event_deadline_passed(LIBSSH2_SESSION* session);

#ifdef __cplusplus
}
#endif

#endif /* VEK_EVENT_HANDLERS_H */
