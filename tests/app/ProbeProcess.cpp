#include "app/ProbeProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace VekTest {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// After the kill-after limit, how long the pipes may still stay open (a
// descendant holding them) before the runner stops reading.
constexpr milliseconds kDrainGrace{5000};

void CloseIfOpen(int& descriptor) {
    if (descriptor >= 0) {
        ::close(descriptor);
        descriptor = -1;
    }
}

struct Pipe {
    int read = -1;
    int write = -1;

    Pipe() = default;
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    ~Pipe() {
        CloseIfOpen(read);
        CloseIfOpen(write);
    }

    void Open() {
        int descriptors[2];
        if (::pipe2(descriptors, O_CLOEXEC) != 0) {
            throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));
        }
        read = descriptors[0];
        write = descriptors[1];
    }
};

void SetNonBlocking(int descriptor) {
    if (descriptor >= 0) {
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) | O_NONBLOCK);
    }
}

// Appends what is readable now; closes the descriptor at end of input or on an error.
void ReadAvailable(int& descriptor, std::string& into) {
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count > 0) {
            into.append(buffer, static_cast<std::size_t>(count));
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;
        }
        CloseIfOpen(descriptor);
        return;
    }
}

// Sends SIGTERM and SIGKILL when their moments have come.
class Signaller {
public:
    Signaller(pid_t pid, const ProbeRequest& request, Clock::time_point start)
        : pid_(pid),
          killAt_(start + request.killAfter),
          terminatePending_(request.terminateAfter.has_value()),
          terminateAt_(start + request.terminateAfter.value_or(milliseconds(0))),
          inspect_(request.inspect),
          inspectPending_(request.inspectAfter.has_value() && request.inspect),
          inspectAt_(start + request.inspectAfter.value_or(milliseconds(0))) {}

    void Fire(Clock::time_point now, bool& killed) {
        if (inspectPending_ && now >= inspectAt_) {
            inspect_(pid_);
            inspectPending_ = false;
        }
        if (terminatePending_ && now >= terminateAt_) {
            ::kill(pid_, SIGTERM);
            terminatePending_ = false;
        }
        if (!killed && now >= killAt_) {
            ::kill(pid_, SIGKILL);
            killed = true;
        }
    }

    Clock::time_point NextMoment(bool killed) const {
        Clock::time_point next = killed ? killAt_ + kDrainGrace : killAt_;
        if (terminatePending_) {
            next = std::min(next, terminateAt_);
        }
        if (inspectPending_) {
            next = std::min(next, inspectAt_);
        }
        return next;
    }

    Clock::time_point KillAt() const { return killAt_; }

private:
    pid_t pid_;
    Clock::time_point killAt_;
    bool terminatePending_;
    Clock::time_point terminateAt_;
    std::function<void(pid_t)> inspect_;
    bool inspectPending_;
    Clock::time_point inspectAt_;
};

int PollTimeout(Clock::time_point now, Clock::time_point until) {
    if (until <= now) {
        return 0;
    }
    return static_cast<int>(std::chrono::ceil<milliseconds>(until - now).count());
}

}  // namespace

ProbeRun RunProbe(const std::string& program, const ProbeRequest& request) {
    // A child that closes its standard input early must make our write fail with
    // EPIPE rather than end the test process. The child gets the default back.
    ::signal(SIGPIPE, SIG_IGN);

    Pipe input;
    Pipe output;
    Pipe error;
    int devNull = -1;
    if (request.stdinMode == ProbeStdin::DevNull) {
        devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (devNull < 0) {
            throw std::runtime_error(std::string("/dev/null: ") + std::strerror(errno));
        }
    } else {
        input.Open();
    }
    output.Open();
    error.Open();

    std::vector<std::string> words{program};
    words.insert(words.end(), request.arguments.begin(), request.arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0) {
        const int saved = errno;
        CloseIfOpen(devNull);
        throw std::runtime_error(std::string("fork: ") + std::strerror(saved));
    }
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        const int stdinSource = devNull >= 0 ? devNull : input.read;
        if (::dup2(stdinSource, 0) < 0 || ::dup2(output.write, 1) < 0 ||
            ::dup2(error.write, 2) < 0) {
            ::_exit(127);
        }
        if (request.startWithoutStdout) {
            ::close(1);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }

    const Clock::time_point start = Clock::now();
    ProbeRun run;
    run.pid = pid;
    CloseIfOpen(devNull);
    CloseIfOpen(input.read);
    CloseIfOpen(output.write);
    CloseIfOpen(error.write);
    if (request.closeStdout) {
        CloseIfOpen(output.read);
    }
    SetNonBlocking(input.write);
    SetNonBlocking(output.read);
    SetNonBlocking(error.read);

    std::size_t written = 0;
    bool feeding = request.stdinMode == ProbeStdin::Text;
    if (feeding && request.stdinText.empty()) {
        CloseIfOpen(input.write);
        feeding = false;
    }

    Signaller signaller(pid, request, start);
    for (;;) {
        const Clock::time_point now = Clock::now();
        signaller.Fire(now, run.killed);
        if (output.read < 0 && error.read < 0) {
            break;
        }
        if (run.killed && now >= signaller.KillAt() + kDrainGrace) {
            break;
        }
        pollfd entries[3];
        nfds_t count = 0;
        int* owners[3];
        for (int* descriptor : {&output.read, &error.read}) {
            if (*descriptor >= 0) {
                entries[count] = pollfd{*descriptor, POLLIN, 0};
                owners[count++] = descriptor;
            }
        }
        if (feeding) {
            entries[count] = pollfd{input.write, POLLOUT, 0};
            owners[count++] = &input.write;
        }
        const int ready =
            ::poll(entries, count, PollTimeout(now, signaller.NextMoment(run.killed)));
        if (ready <= 0) {
            continue;
        }
        for (nfds_t index = 0; index < count; ++index) {
            if (entries[index].revents == 0) {
                continue;
            }
            if (owners[index] == &output.read) {
                ReadAvailable(output.read, run.standardOutput);
            } else if (owners[index] == &error.read) {
                ReadAvailable(error.read, run.standardError);
            } else {
                const ssize_t sent = ::write(input.write, request.stdinText.data() + written,
                                             request.stdinText.size() - written);
                if (sent > 0) {
                    written += static_cast<std::size_t>(sent);
                }
                if ((sent < 0 && errno != EAGAIN && errno != EINTR) ||
                    written == request.stdinText.size()) {
                    CloseIfOpen(input.write);
                    feeding = false;
                }
            }
        }
    }
    CloseIfOpen(output.read);
    CloseIfOpen(error.read);
    if (feeding) {
        CloseIfOpen(input.write);
    }

    int status = 0;
    for (;;) {
        const pid_t reaped = ::waitpid(pid, &status, WNOHANG);
        if (reaped == pid) {
            break;
        }
        if (reaped < 0 && errno != EINTR) {
            throw std::runtime_error(std::string("waitpid: ") + std::strerror(errno));
        }
        signaller.Fire(Clock::now(), run.killed);
        std::this_thread::sleep_for(milliseconds(1));
    }
    run.elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    // A silent standard input stays open for the whole life of the process.
    CloseIfOpen(input.write);

    if (WIFEXITED(status)) {
        run.exited = true;
        run.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        run.signal = WTERMSIG(status);
    }
    return run;
}

}  // namespace VekTest
