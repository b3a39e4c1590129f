#include "probeclient/ChildSpawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

extern char** environ;

namespace VekProbeClient {

namespace {

[[noreturn]] void ThrowErrorNumber(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

void Check(int error, const char* what) {
    if (error != 0) {
        ThrowErrorNumber(error, what);
    }
}

struct PipePair {
    int read = -1;
    int write = -1;
    PipePair() {
        int descriptors[2];
        if (::pipe2(descriptors, O_CLOEXEC) != 0) {
            ThrowErrorNumber(errno, "pipe2");
        }
        read = descriptors[0];
        write = descriptors[1];
    }
    PipePair(const PipePair&) = delete;
    PipePair& operator=(const PipePair&) = delete;
    ~PipePair() {
        CloseDescriptor(read);
        CloseDescriptor(write);
    }
};

// posix_spawn's attribute and file-action objects, destroyed however SpawnChild ends.
struct SpawnSettings {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    SpawnSettings() {
        Check(::posix_spawnattr_init(&attributes), "posix_spawnattr_init");
        if (const int error = ::posix_spawn_file_actions_init(&actions)) {
            ::posix_spawnattr_destroy(&attributes);
            ThrowErrorNumber(error, "posix_spawn_file_actions_init");
        }
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
    ~SpawnSettings() {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
};

void SetNonBlocking(int descriptor) {
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags | O_NONBLOCK) != 0) {
        ThrowErrorNumber(errno, "fcntl");
    }
}

// A caller may block or ignore signals (the exporter blocks its control signals
// in every thread and ignores SIGPIPE); the child must get none of that.
void ResetSignals(SpawnSettings& settings) {
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    Check(::posix_spawnattr_setsigmask(&settings.attributes, &none), "posix_spawnattr_setsigmask");
    Check(::posix_spawnattr_setsigdefault(&settings.attributes, &all),
          "posix_spawnattr_setsigdefault");
    Check(::posix_spawnattr_setflags(&settings.attributes,
                                     POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF),
          "posix_spawnattr_setflags");
}

void ConnectStreams(SpawnSettings& settings, const PipePair& input, const PipePair& output,
                    const PipePair& error) {
    const std::pair<int, int> streams[] = {
        {input.read, STDIN_FILENO}, {output.write, STDOUT_FILENO}, {error.write, STDERR_FILENO}};
    for (const auto& [from, to] : streams) {
        Check(::posix_spawn_file_actions_adddup2(&settings.actions, from, to),
              "posix_spawn_file_actions_adddup2");
    }
    // Descriptors that are not close-on-exec (a library's sockets) must not reach
    // the child, which would hold them open.
    Check(::posix_spawn_file_actions_addclosefrom_np(&settings.actions, STDERR_FILENO + 1),
          "posix_spawn_file_actions_addclosefrom_np");
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    for (std::string& word : words) {
        pointers.push_back(word.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

void CloseDescriptor(int& descriptor) {
    if (descriptor >= 0) {
        ::close(descriptor);
        descriptor = -1;
    }
}

SpawnedChild SpawnChild(const ChildCommand& command) {
    PipePair input;
    PipePair output;
    PipePair error;
    SpawnSettings settings;
    for (const int descriptor : {input.write, output.read, error.read}) {
        SetNonBlocking(descriptor);
    }
    ResetSignals(settings);
    ConnectStreams(settings, input, output, error);

    std::vector<std::string> words{command.executable};
    words.insert(words.end(), command.arguments.begin(), command.arguments.end());
    std::vector<char*> argv = Pointers(words);
    std::vector<std::string> environment;
    std::vector<char*> envp;
    if (command.environment) {
        environment = *command.environment;
        envp = Pointers(environment);
    }
    pid_t pid = -1;
    Check(::posix_spawn(&pid, command.executable.c_str(), &settings.actions, &settings.attributes,
                        argv.data(), command.environment ? envp.data() : environ),
          ("posix_spawn " + command.executable).c_str());

    SpawnedChild child;
    child.pid = pid;
    // The child cannot have been reaped yet, so its pid still names it.
    child.pidDescriptor = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (child.pidDescriptor < 0) {
        const int openError = errno;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ThrowErrorNumber(openError, "pidfd_open");
    }
    std::swap(child.stdinWrite, input.write);
    std::swap(child.stdoutRead, output.read);
    std::swap(child.stderrRead, error.read);
    return child;
}

}  // namespace VekProbeClient
