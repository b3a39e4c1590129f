#pragma once

#include <libssh2.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "domain/Deadline.h"
#include "logger/ILogger.h"
#include "result/SshTestResult.h"
#include "ssh/Libssh2Deleter.h"
#include "ssh/SocketWait.h"

namespace Ssh {

// One "session" channel with a "shell" on it, on a non-blocking session: the
// command text goes to the shell's standard input followed by end-of-file; its
// standard output is captured up to a limit, its standard error drained and
// counted, and at the end its exit status or the signal that ended it is taken and
// everything is recorded in the test result. Every library call goes through
// CallUntilDone against the caller's deadline, so every wait follows SocketWait's
// policy. Failures raise XLibssh2Error or XTestTimeout with the command execution's
// texts. The object owns the channel and closes and frees it when destroyed; the
// session and its socket must outlive it.
class ShellChannel final {
public:
    // Opens the channel and starts the shell.
    static ShellChannel Open(const SessionSocket& socket,
                             const VekLibrary::VekDomain::Deadline& deadline);

    ShellChannel(ShellChannel&&) noexcept = default;
    ShellChannel& operator=(ShellChannel&&) noexcept = default;

    void WriteCommands(const std::string& commands,
                       const VekLibrary::VekDomain::Deadline& deadline);
    void SendEndOfFile(const VekLibrary::VekDomain::Deadline& deadline);
    // Reads until the server's end-of-file and then its exit status, or until
    // `maximumBytes` of standard output (keeping whole reads, so up to one buffer
    // beyond the limit). Reading that has not ended before the deadline raises
    // XTestTimeout("Reading data from the remote shell timed out."), the one
    // time-out of reading; a failed read raises XLibssh2Error. However reading ends,
    // the output that arrived, its size and (see RecordOutcome) the exit status are
    // written into `result` and logged.
    void ReadOutput(std::uint64_t maximumBytes, const VekLibrary::VekDomain::Deadline& deadline,
                    SshTestResult& result, VekLibrary::VekLogger::ILogger& logger);

private:
    using ChannelPointer = std::unique_ptr<LIBSSH2_CHANNEL, Libssh2Deleter<LIBSSH2_CHANNEL>>;

    explicit ShellChannel(SessionSocket socket);

    void Read(std::uint64_t maximumBytes, const VekLibrary::VekDomain::Deadline& deadline);
    // Reading is over: the server's end-of-file, or the limit.
    bool Finished(std::uint64_t maximumBytes) const;
    // Reads both streams until the library holds nothing more: 0 once reading is
    // over, LIBSSH2_ERROR_EAGAIN while more may come.
    int ReadPass(std::uint64_t maximumBytes);
    // One stream until the library has nothing more (true) or it ended or reached
    // the limit (false).
    bool ReadStandardOutput(std::uint64_t maximumBytes);
    bool ReadStandardError(std::uint64_t maximumBytes);
    // Servers often send the exit status after their end-of-file and always before
    // their close; waits for either.
    int WaitForExitStatus(const VekLibrary::VekDomain::Deadline& deadline);
    // The output, its size and the exit status or signal as they stand. A status of
    // 0 cannot be told from none, so when reading did not end `complete`, only a
    // non-zero status or a signal is recorded.
    void RecordOutcome(bool complete, SshTestResult& result,
                       VekLibrary::VekLogger::ILogger& logger);

    SessionSocket socket_;
    ChannelPointer channel_;
    std::vector<char> buffer_;
    std::string standardOutput_;
    std::uint64_t standardErrorBytes_ = 0;
};

}  // namespace Ssh
