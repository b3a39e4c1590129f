#pragma once

#include <libssh2.h>

#include "result/SshTestResult.h"

namespace Ssh {

// What a server has told about itself during the handshake, copied from the SSH
// session into the test result.
class SessionFacts final {
public:
    SessionFacts() = delete;

    // The server's identification line without its CR LF, once the banner exchange
    // has succeeded (the session holds the "SSH-" line); otherwise nothing. Call
    // before the session goes, also when the key exchange failed.
    static void RecordServerIdentification(LIBSSH2_SESSION* session, SshTestResult& result);
    // The algorithms the key exchange settled on; call once it has succeeded. The
    // MAC of an authenticated cipher is "<implicit>", as OpenSSH shows it.
    static void RecordNegotiatedAlgorithms(LIBSSH2_SESSION* session, SshTestResult& result);
};

}  // namespace Ssh
