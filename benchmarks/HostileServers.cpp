// The hostile loopback servers of tests/fixtures as a process of their own, for
// benchmarks/load, which runs the real probe binary against each of them:
//
//   hostile_servers <sshd port>
//
// Prints one line "<case> <port>" per server, then "ready", and keeps them all
// listening until its standard input reaches end-of-file (or after ten minutes
// at the latest), so they go away with the script that started it.

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fixtures/HostilePorts.h"
#include "fixtures/LoopbackServer.h"

int main(int argc, char** argv) {
    using namespace std::string_literals;
    using std::chrono::milliseconds;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <sshd port>\n", argv[0]);
        return 2;
    }
    const int sshdPort = std::atoi(argv[1]);
    if (sshdPort <= 0 || sshdPort > 65535) {
        std::fprintf(stderr, "bad sshd port: %s\n", argv[1]);
        return 2;
    }
    VekTest::LoopbackServer silent(VekTest::StaySilent());
    VekTest::LoopbackServer closeAtOnce(VekTest::CloseAtOnce());
    VekTest::LoopbackServer nulBanner(VekTest::SendThenHold("SSH-2.0-Null\0Byte\r\n"s));
    VekTest::LoopbackServer bannerThenClose(VekTest::SendThenClose("SSH-2.0-OpenSSH_9.2\r\n"));
    VekTest::LoopbackServer trickle(VekTest::TrickleBytes("SSH-2.0-Trickle\r\n", milliseconds(300)));
    VekTest::LoopbackServer held(
        VekTest::HeldBannerRelay(static_cast<unsigned short>(sshdPort), milliseconds(400)));
    VekTest::FilteredPort filtered;
    VekTest::RefusedPort refused;

    std::printf("silent %u\n", silent.Port());
    std::printf("close-at-once %u\n", closeAtOnce.Port());
    std::printf("nul-in-banner %u\n", nulBanner.Port());
    std::printf("banner-then-close %u\n", bannerThenClose.Port());
    std::printf("trickling-banner-300ms %u\n", trickle.Port());
    std::printf("held-banner-400ms-relay %u\n", held.Port());
    std::printf("filtered-port %u\n", filtered.Port());
    std::printf("refused-port %u\n", refused.Port());
    std::printf("ready\n");
    std::fflush(stdout);

    // Bounded: ten minutes of one-second polls at most.
    char buffer[256];
    for (int second = 0; second < 600; ++second) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, 1000);
        if (ready > 0) {
            const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
        }
    }
    return 0;
}
