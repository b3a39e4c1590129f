// One test with the bare libssh2 client as a process of its own, so that
// benchmarks/compare measures it the same way as the probe and OpenSSH:
//
//   bare_ssh_client <IPv4 address> <port> <user> <password> < commands
//
// Writes the remote standard output to standard output; exits with 0 when the
// run went through, 1 otherwise (the failed step on standard error).

#include <libssh2.h>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "benchmarks/ssh/BareLibssh2Client.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s <IPv4 address> <port> <user> <password> < commands\n",
                     argv[0]);
        return 2;
    }
    VekBenchmark::BareRequest request;
    request.host = argv[1];
    request.port = static_cast<unsigned short>(std::stoul(argv[2]));
    request.user = argv[3];
    request.password = argv[4];
    request.commands.assign(std::istreambuf_iterator<char>(std::cin),
                            std::istreambuf_iterator<char>());
    if (libssh2_init(0) != 0) {
        std::fprintf(stderr, "libssh2_init failed\n");
        return 1;
    }
    const VekBenchmark::BareRun run = VekBenchmark::RunBareLibssh2(request);
    libssh2_exit();
    std::fwrite(run.standardOutput.data(), 1, run.standardOutput.size(), stdout);
    if (!run.failure.empty()) {
        std::fprintf(stderr, "%s\n", run.failure.c_str());
        return 1;
    }
    return 0;
}
