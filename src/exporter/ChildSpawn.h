#pragma once

#include <sys/types.h>

#include <string>

namespace VekExporter {

// A child started by SpawnChild: its pid, a pidfd that turns readable when it
// ends, and the parent's ends of its three standard streams (all close-on-exec and
// non-blocking). The caller owns the descriptors and must reap the child.
struct SpawnedChild {
    pid_t pid = -1;
    int pidDescriptor = -1;
    int stdinWrite = -1;
    int stdoutRead = -1;
    int stderrRead = -1;
};

// Starts `executable` with no arguments but its own name and the exporter's
// environment, with posix_spawn, its standard streams connected to new pipes,
// every other descriptor closed, an empty signal mask and default dispositions.
// Throws std::system_error when it cannot; then nothing is left open or running.
SpawnedChild SpawnChild(const std::string& executable);

void CloseDescriptor(int& descriptor);

}  // namespace VekExporter
