#include "plugin/ProbeRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace VekPlugin {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// After a kill, how long the pipes may stay open (a descendant of the probe
// holding them) and how long reaping may take before check_vek gives up on them.
constexpr milliseconds kAfterKillGrace{2000};

void CloseIfOpen(int& descriptor) {
    if (descriptor >= 0) {
        ::close(descriptor);
        descriptor = -1;
    }
}

struct Pipe {
    int read = -1;
    int write = -1;

    Pipe() {
        int descriptors[2];
        if (::pipe2(descriptors, O_CLOEXEC) != 0) {
            throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
        }
        read = descriptors[0];
        write = descriptors[1];
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    ~Pipe() {
        CloseIfOpen(read);
        CloseIfOpen(write);
    }
};

class SpawnSetup final {
public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attributes_);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

// Appends what can be read now, up to `limit` bytes in all (the rest is read and
// dropped); closes the descriptor at end of input or on an error.
void ReadAvailable(int& descriptor, std::string& into, std::size_t limit) {
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count > 0) {
            const std::size_t room = limit - std::min(limit, into.size());
            into.append(buffer, std::min(room, static_cast<std::size_t>(count)));
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;
        }
        CloseIfOpen(descriptor);
        return;
    }
}

int PollTimeout(Clock::time_point now, Clock::time_point until) {
    if (until <= now) {
        return 0;
    }
    return static_cast<int>(std::chrono::ceil<milliseconds>(until - now).count());
}

pid_t Spawn(const ProbeRunRequest& request, Pipe& input, Pipe& output, Pipe& error) {
    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions_, input.read, 0);
    posix_spawn_file_actions_adddup2(&setup.actions_, output.write, 1);
    posix_spawn_file_actions_adddup2(&setup.actions_, error.write, 2);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&setup.attributes_, &none);
    sigset_t defaults;
    sigfillset(&defaults);
    sigdelset(&defaults, SIGKILL);
    sigdelset(&defaults, SIGSTOP);
    posix_spawnattr_setsigdefault(&setup.attributes_, &defaults);
    posix_spawnattr_setflags(&setup.attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv{const_cast<char*>(request.program.c_str()), nullptr};
    std::vector<char*> envp;
    for (const std::string& entry : request.environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, request.program.c_str(), &setup.actions_,
                                     &setup.attributes_, argv.data(), envp.data());
    if (failed != 0) {
        throw std::runtime_error("cannot start the probe " + request.program + ": " +
                                 std::strerror(failed));
    }
    return pid;
}

}  // namespace

ProbeRunResult RunProbeProcess(const ProbeRunRequest& request) {
    Pipe input;
    Pipe output;
    Pipe error;
    ProbeRunResult result;
    result.pid = Spawn(request, input, output, error);
    const Clock::time_point killAt = Clock::now() + request.limit;
    CloseIfOpen(input.read);
    CloseIfOpen(output.write);
    CloseIfOpen(error.write);
    for (const int descriptor : {input.write, output.read, error.read}) {
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) | O_NONBLOCK);
    }

    std::size_t written = 0;
    if (request.input.empty()) {
        CloseIfOpen(input.write);
    }
    const auto kill = [&result]() {
        ::kill(result.pid, SIGKILL);
        result.killed = true;
    };
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (!result.killed && now >= killAt) {
            kill();
        }
        if ((output.read < 0 && error.read < 0) || now >= killAt + kAfterKillGrace) {
            break;
        }
        pollfd entries[3];
        int* owners[3];
        nfds_t count = 0;
        for (int* descriptor : {&output.read, &error.read, &input.write}) {
            if (*descriptor >= 0) {
                entries[count] =
                    pollfd{*descriptor,
                           static_cast<short>(descriptor == &input.write ? POLLOUT : POLLIN), 0};
                owners[count++] = descriptor;
            }
        }
        const Clock::time_point wakeAt = result.killed ? killAt + kAfterKillGrace : killAt;
        if (::poll(entries, count, PollTimeout(now, wakeAt)) <= 0) {
            continue;
        }
        for (nfds_t index = 0; index < count; ++index) {
            if (entries[index].revents == 0) {
                continue;
            }
            if (owners[index] == &output.read) {
                ReadAvailable(output.read, result.standardOutput, kMaxDocumentBytes);
            } else if (owners[index] == &error.read) {
                ReadAvailable(error.read, result.standardError, kMaxStandardErrorBytes);
            } else {
                const ssize_t sent = ::write(input.write, request.input.data() + written,
                                             request.input.size() - written);
                if (sent > 0) {
                    written += static_cast<std::size_t>(sent);
                }
                if ((sent < 0 && errno != EAGAIN && errno != EINTR) ||
                    written == request.input.size()) {
                    CloseIfOpen(input.write);
                }
            }
        }
    }
    CloseIfOpen(input.write);
    CloseIfOpen(output.read);
    CloseIfOpen(error.read);

    // The pipes are closed: the probe has ended or is about to, unless it closed
    // its standard streams early; the limit covers that case too.
    int status = 0;
    for (;;) {
        const pid_t reaped = ::waitpid(result.pid, &status, WNOHANG);
        if (reaped == result.pid) {
            break;
        }
        if (reaped < 0 && errno != EINTR) {
            return result;
        }
        const Clock::time_point now = Clock::now();
        if (!result.killed && now >= killAt) {
            kill();
        }
        if (now >= killAt + kAfterKillGrace) {
            return result;
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

}  // namespace VekPlugin
