#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "domain/SensitiveString.h"

namespace VekProbeClient {

using Clock = std::chrono::steady_clock;

// The most of a child's standard output that is read: a result document larger
// than this is not one, and its child is killed.
inline constexpr std::size_t kMaxDocumentBytes = std::size_t{64} << 20;
// How much of a child's standard error is kept (its last bytes).
inline constexpr std::size_t kMaxErrorBytes = std::size_t{64} << 10;

// What to start.
struct ChildCommand {
    std::string executable;
    // Without the program name, which is `executable`.
    std::vector<std::string> arguments;
    // "NAME=value" each; empty: this process's environment.
    std::optional<std::vector<std::string>> environment;
    // Written to the child's standard input, which is then closed.
    VekLibrary::VekDomain::SensitiveString input;
    // Keeps standard input open, silent after `input`, until the child has ended.
    bool holdInputOpen = false;
    std::size_t maxOutputBytes = kMaxDocumentBytes;
    std::size_t maxErrorBytes = kMaxErrorBytes;
};

// Why the child was killed, if it was.
enum class KillReasonEnum { None, Deadline, Stop, OutputTooLarge };

struct ChildOutcome {
    pid_t pid = -1;
    // False when the child had not ended when its outcome was taken; a background
    // thread reaps it whenever it ends.
    bool reaped = false;
    bool exited = false;
    int exitCode = -1;
    // The signal that ended the child; 0 when it exited.
    int signal = 0;
    KillReasonEnum killed = KillReasonEnum::None;
    // At most maxOutputBytes.
    std::string standardOutput;
    // The last maxErrorBytes.
    std::string standardError;
    // From the start to the end of the child, or to the moment the outcome was
    // taken when it had not ended.
    Clock::duration elapsed{};
};

// One child process started with posix_spawn: its three standard streams are new
// pipes, no other descriptor of this process reaches it (closefrom 3), and it
// starts with an empty signal mask and default dispositions for every signal. The
// parent's ends of the pipes are close-on-exec and non-blocking; a pidfd tells when
// the child has ended. The object owns the descriptors and the duty to reap: its
// destructor kills a child that has not ended and hands it to a background thread
// that reaps it, so no zombie is ever left. Constructing the first one makes this
// process ignore SIGPIPE, so that a child that stops reading fails a write instead
// of ending the caller. Callers keep descriptors 0 to 2 open
// (EnsureStandardDescriptors). Not thread-safe; each child belongs to one thread.
class ChildProcess final {
public:
    enum class PumpEnum { Finished, TimeUp, Stopped };

    // Throws std::system_error naming the call that failed; then nothing is left
    // open or running.
    explicit ChildProcess(const ChildCommand& command);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t Pid() const { return outcome_.pid; }

    // Writes the input and reads both output streams until the child has ended
    // and both streams are closed (Finished), `until` has come (TimeUp), or
    // `stopDescriptor`, when not -1, has turned readable (Stopped). A standard
    // output past its cap kills the child. Throws std::system_error when poll fails.
    PumpEnum Pump(Clock::time_point until, int stopDescriptor = -1);
    // Sends SIGKILL unless the child has been reaped; the first reason is kept.
    void Kill(KillReasonEnum reason);
    // Closes the parent's end of the standard output pipe, so the child's writes fail.
    void CloseOutput();
    // What became of the child so far; call once, last.
    ChildOutcome TakeOutcome();

    // Children of this process started here and not yet reaped.
    static long Running();

private:
    void WriteInput();
    void ReadOutput();
    void ReadError();
    void TryReap();

    VekLibrary::VekDomain::SensitiveString input_;
    bool holdInputOpen_;
    std::size_t maxOutputBytes_;
    std::size_t maxErrorBytes_;
    Clock::time_point start_;
    Clock::time_point end_;
    std::size_t written_ = 0;
    int pidDescriptor_ = -1;
    int stdinWrite_ = -1;
    int stdoutRead_ = -1;
    int stderrRead_ = -1;
    ChildOutcome outcome_;
};

}  // namespace VekProbeClient
