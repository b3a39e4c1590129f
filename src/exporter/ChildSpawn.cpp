#include "exporter/ChildSpawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "exporter/SystemError.h"

extern char** environ;

namespace VekExporter {

namespace {

struct PipePair {
    int read = -1;
    int write = -1;
    PipePair() {
        int descriptors[2];
        if (::pipe2(descriptors, O_CLOEXEC) != 0) {
            ThrowErrno("pipe2");
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
        if (const int error = ::posix_spawnattr_init(&attributes)) {
            ThrowErrorNumber(error, "posix_spawnattr_init");
        }
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

void Check(int error, const char* what) {
    if (error != 0) {
        ThrowErrorNumber(error, what);
    }
}

void SetNonBlocking(int descriptor) {
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags | O_NONBLOCK) != 0) {
        ThrowErrno("fcntl");
    }
}

}  // namespace

void CloseDescriptor(int& descriptor) {
    if (descriptor >= 0) {
        ::close(descriptor);
        descriptor = -1;
    }
}

SpawnedChild SpawnChild(const std::string& executable) {
    PipePair input;
    PipePair output;
    PipePair error;
    SpawnSettings settings;
    // Only the parent's ends: each pipe end is an open file description of its own.
    for (const int descriptor : {input.write, output.read, error.read}) {
        SetNonBlocking(descriptor);
    }

    // The exporter blocks its control signals in every thread and ignores SIGPIPE;
    // the probe must get neither.
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int number : {SIGPIPE, SIGHUP, SIGTERM, SIGINT, SIGQUIT}) {
        sigaddset(&defaults, number);
    }
    Check(::posix_spawnattr_setsigmask(&settings.attributes, &none), "posix_spawnattr_setsigmask");
    Check(::posix_spawnattr_setsigdefault(&settings.attributes, &defaults),
          "posix_spawnattr_setsigdefault");
    Check(::posix_spawnattr_setflags(&settings.attributes,
                                     POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF),
          "posix_spawnattr_setflags");
    Check(::posix_spawn_file_actions_adddup2(&settings.actions, input.read, STDIN_FILENO),
          "posix_spawn_file_actions_adddup2");
    Check(::posix_spawn_file_actions_adddup2(&settings.actions, output.write, STDOUT_FILENO),
          "posix_spawn_file_actions_adddup2");
    Check(::posix_spawn_file_actions_adddup2(&settings.actions, error.write, STDERR_FILENO),
          "posix_spawn_file_actions_adddup2");
    // The HTTP library's sockets are not close-on-exec: without this, a probe
    // would hold scrapers' connections open.
    Check(::posix_spawn_file_actions_addclosefrom_np(&settings.actions, STDERR_FILENO + 1),
          "posix_spawn_file_actions_addclosefrom_np");

    char* const arguments[] = {const_cast<char*>(executable.c_str()), nullptr};
    pid_t pid = -1;
    Check(::posix_spawn(&pid, executable.c_str(), &settings.actions, &settings.attributes,
                        arguments, environ),
          ("posix_spawn " + executable).c_str());

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

}  // namespace VekExporter
