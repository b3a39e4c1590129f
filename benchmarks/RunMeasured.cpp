// Runs one program and reports what it cost, for benchmarks/compare:
//
//   run_measured <report file> <program> [arguments...]
//
// The standard streams pass through to the program. Writes one line
// "<wall ms> <CPU ms> <peak RSS KiB> <exit code>" to the report file, with the
// CPU time (user + system) and the peak resident memory from wait4(), which
// include the program's waited-for descendants. Exits with the program's exit
// code, or 128 + the signal that ended it.
//
// A forked child's peak resident memory starts from its parent's resident set,
// so the measuring parent has to be small; this program is linked statically
// and touches almost nothing before it forks.

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

double MonotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Milliseconds(const timeval& value) {
    return static_cast<double>(value.tv_sec) * 1e3 + static_cast<double>(value.tv_usec) / 1e3;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <report file> <program> [arguments...]\n", argv[0]);
        return 2;
    }
    const double start = MonotonicMilliseconds();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return 2;
    }
    if (pid == 0) {
        execv(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("wait4");
            return 2;
        }
    }
    const double wall = MonotonicMilliseconds() - start;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::FILE* report = std::fopen(argv[1], "w");
    if (report == nullptr) {
        std::perror(argv[1]);
        return 2;
    }
    std::fprintf(report, "%.3f %.3f %ld %d\n", wall,
                 Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime), usage.ru_maxrss,
                 code);
    std::fclose(report);
    return code;
}
