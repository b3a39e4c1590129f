#pragma once

#include <libssh2.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "domain/Deadline.h"
#include "ssh/Libssh2Deleter.h"

namespace Ssh {

// One "session" channel with a "shell" on it, on a non-blocking session: the
// command text goes to the shell's standard input followed by end-of-file; its
// standard output is captured up to a limit, its standard error drained and
// counted, and at the end its exit status or the signal that ended it is taken.
// Every wait goes through SocketWait against the caller's deadline. Failures raise
// XLibssh2Error or XTestTimeout with the command execution's texts. The object owns
// the channel and closes and frees it when destroyed; the session and its socket
// must outlive it.
class ShellChannel final {
public:
    struct Outcome {
        std::string standardOutput;
        std::uint64_t standardErrorBytes = 0;
        // 128 + the signal's number when a signal the client knows ended the shell;
        // 0 when the server sent no status.
        int exitStatus = 0;
        // The signal's name as the server sent it.
        std::optional<std::string> exitSignal;
    };

    // Opens the channel and starts the shell.
    static ShellChannel Open(LIBSSH2_SESSION* session, int descriptor,
                             const VekLibrary::VekDomain::Deadline& deadline);

    ShellChannel(ShellChannel&&) noexcept = default;
    ShellChannel& operator=(ShellChannel&&) noexcept = default;

    void WriteCommands(const std::string& commands,
                       const VekLibrary::VekDomain::Deadline& deadline);
    void SendEndOfFile(const VekLibrary::VekDomain::Deadline& deadline);
    // Reads until the server's end-of-file, `maximumBytes` of standard output or the
    // deadline, whichever comes first, keeping whole reads (so up to one buffer
    // beyond the limit); after end-of-file waits, within the deadline, for the exit
    // status.
    void ReadOutput(std::uint64_t maximumBytes, const VekLibrary::VekDomain::Deadline& deadline);
    // Hands over what ReadOutput gathered, with the exit status as it stands now.
    Outcome TakeOutcome();

private:
    using ChannelPointer = std::unique_ptr<LIBSSH2_CHANNEL, Libssh2Deleter<LIBSSH2_CHANNEL>>;

    ShellChannel(LIBSSH2_SESSION* session, int descriptor);

    // One pass over a stream; true when the library had nothing more.
    bool ReadStandardOutput(std::uint64_t maximumBytes,
                            const VekLibrary::VekDomain::Deadline& deadline);
    bool ReadStandardError(std::uint64_t maximumBytes,
                           const VekLibrary::VekDomain::Deadline& deadline);
    // Waits for what the library blocked on: true when ready, false when the
    // deadline passed; a failed wait is the stdout poll error.
    bool WaitWhileReading(const VekLibrary::VekDomain::Deadline& deadline);
    void WaitForOutput(const VekLibrary::VekDomain::Deadline& deadline);
    void WaitForExitStatus(const VekLibrary::VekDomain::Deadline& deadline);

    LIBSSH2_SESSION* session_;
    int descriptor_;
    ChannelPointer channel_;
    std::vector<char> buffer_;
    Outcome outcome_;
};

}  // namespace Ssh
