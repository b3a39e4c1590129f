#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace VekBenchmark {

struct BareRequest {
    // A numeric IPv4 address: the floor skips name resolution.
    std::string host = "127.0.0.1";
    unsigned short port = 0;
    std::string user;
    std::string password;
    std::string commands;
    // Bounds the whole run, so a stuck server cannot hold the benchmark.
    std::chrono::milliseconds timeout{30000};
};

struct BareRun {
    std::string standardOutput;
    std::uint64_t standardErrorBytes = 0;
    int exitStatus = -1;
    // Empty when the run went through; otherwise the step that failed.
    std::string failure;
};

// One test done with libssh2 directly and nothing else, the practical floor for the
// project's client: TCP connect, non-blocking session, handshake, password
// authentication, a shell fed `commands` and then EOF, standard output read to
// end-of-file (standard error drained), exit status, close, disconnect, free.
// Between EAGAINs it waits with poll() for the directions the session blocked on.
BareRun RunBareLibssh2(const BareRequest& request);

}  // namespace VekBenchmark
