#pragma once

#include <sys/types.h>

#include "probeclient/ChildProcess.h"

namespace VekProbeClient {

// The parts of ChildProcess that start the child. The caller owns the descriptors
// and must reap the child.
struct SpawnedChild {
    pid_t pid = -1;
    // Turns readable when the child has ended.
    int pidDescriptor = -1;
    // The parent's ends of the child's standard streams: close-on-exec, non-blocking.
    int stdinWrite = -1;
    int stdoutRead = -1;
    int stderrRead = -1;
};

// Starts the child as ChildProcess describes. Throws std::system_error naming the
// call that failed; then nothing is left open or running.
SpawnedChild SpawnChild(const ChildCommand& command);

void CloseDescriptor(int& descriptor);

}  // namespace VekProbeClient
