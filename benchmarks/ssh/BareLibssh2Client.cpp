#include "benchmarks/ssh/BareLibssh2Client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <libssh2.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace VekBenchmark {

namespace {

using Clock = std::chrono::steady_clock;

// One maximum-size SSH packet, so each read can take a whole packet.
constexpr std::size_t kReadBufferSize = 32768;

class StepFailure : public std::runtime_error {
public:
    StepFailure(const std::string& step, long code)
        : std::runtime_error(step + " failed (" + std::to_string(code) + ")") {}
};

int PollTimeout(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) {
        return 0;
    }
    const auto rounded = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return rounded > INT_MAX ? INT_MAX : static_cast<int>(rounded);
}

void PollUntilReady(pollfd& entry, Clock::time_point deadline, const char* step) {
    for (;;) {
        const int timeout = PollTimeout(deadline);
        if (timeout == 0) {
            throw StepFailure(std::string(step) + " (timed out)", LIBSSH2_ERROR_TIMEOUT);
        }
        entry.revents = 0;
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0) {
            return;
        }
        if (ready < 0 && errno != EINTR) {
            throw StepFailure(std::string(step) + " (poll)", errno);
        }
    }
}

void WaitForSocket(LIBSSH2_SESSION* session, int descriptor, Clock::time_point deadline,
                   const char* step) {
    const int directions = libssh2_session_block_directions(session);
    pollfd entry{};
    entry.fd = descriptor;
    if ((directions & LIBSSH2_SESSION_BLOCK_INBOUND) != 0) {
        entry.events |= POLLIN;
    }
    if ((directions & LIBSSH2_SESSION_BLOCK_OUTBOUND) != 0) {
        entry.events |= POLLOUT;
    }
    if (entry.events == 0) {
        entry.events = POLLIN;
    }
    PollUntilReady(entry, deadline, step);
}

template <typename Call>
void UntilDone(LIBSSH2_SESSION* session, int descriptor, Clock::time_point deadline,
               const char* step, Call call) {
    for (;;) {
        const int rc = call();
        if (rc == 0) {
            return;
        }
        if (rc != LIBSSH2_ERROR_EAGAIN) {
            throw StepFailure(step, rc);
        }
        WaitForSocket(session, descriptor, deadline, step);
    }
}

int ConnectTcp(const BareRequest& request, Clock::time_point deadline) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(request.port);
    if (::inet_pton(AF_INET, request.host.c_str(), &address.sin_addr) != 1) {
        throw StepFailure("address " + request.host, 0);
    }
    const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        throw StepFailure("socket", errno);
    }
    // Small request/response packets: without this each may wait for a delayed ACK.
    const int noDelay = 1;
    ::setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
    try {
        if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) !=
            0) {
            if (errno != EINPROGRESS) {
                throw StepFailure("connect", errno);
            }
            pollfd entry{};
            entry.fd = descriptor;
            entry.events = POLLOUT;
            PollUntilReady(entry, deadline, "connect");
            int pending = 0;
            socklen_t length = sizeof(pending);
            if (::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &pending, &length) != 0 ||
                pending != 0) {
                throw StepFailure("connect", pending);
            }
        }
    } catch (...) {
        ::close(descriptor);
        throw;
    }
    return descriptor;
}

// Releases whatever a failed run still holds. A successful run releases its
// handles itself, in order and waiting for each step, and leaves this empty.
struct Handles {
    int descriptor = -1;
    LIBSSH2_SESSION* session = nullptr;
    LIBSSH2_CHANNEL* channel = nullptr;

    ~Handles() {
        if (descriptor >= 0) {
            // Makes the library's farewell messages fail at once instead of waiting.
            ::shutdown(descriptor, SHUT_RDWR);
        }
        if (channel != nullptr) {
            libssh2_channel_free(channel);
        }
        if (session != nullptr) {
            libssh2_session_free(session);
        }
        if (descriptor >= 0) {
            ::close(descriptor);
        }
    }
};

void WriteAll(LIBSSH2_SESSION* session, LIBSSH2_CHANNEL* channel, int descriptor,
              const std::string& text, Clock::time_point deadline) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t rc = libssh2_channel_write(channel, text.data() + sent, text.size() - sent);
        if (rc > 0) {
            sent += static_cast<std::size_t>(rc);
        } else if (rc == LIBSSH2_ERROR_EAGAIN) {
            WaitForSocket(session, descriptor, deadline, "write");
        } else {
            throw StepFailure("write", rc);
        }
    }
}

// Reads one stream until the library has nothing more; true when it would block.
bool Drain(LIBSSH2_CHANNEL* channel, int stream, std::vector<char>& buffer, std::string* into,
           std::uint64_t& count) {
    for (;;) {
        const ssize_t rc = libssh2_channel_read_ex(channel, stream, buffer.data(), buffer.size());
        if (rc > 0) {
            if (into != nullptr) {
                into->append(buffer.data(), static_cast<std::size_t>(rc));
            }
            count += static_cast<std::uint64_t>(rc);
            continue;
        }
        if (rc == 0) {
            return false;
        }
        if (rc == LIBSSH2_ERROR_EAGAIN) {
            return true;
        }
        throw StepFailure("read", rc);
    }
}

}  // namespace

BareRun RunBareLibssh2(const BareRequest& request) {
    BareRun run;
    const Clock::time_point deadline = Clock::now() + request.timeout;
    try {
        Handles handles;
        handles.descriptor = ConnectTcp(request, deadline);
        const int fd = handles.descriptor;

        handles.session = libssh2_session_init();
        if (handles.session == nullptr) {
            throw StepFailure("session init", LIBSSH2_ERROR_ALLOC);
        }
        LIBSSH2_SESSION* session = handles.session;
        libssh2_session_set_blocking(session, 0);
        UntilDone(session, fd, deadline, "handshake",
                  [&] { return libssh2_session_handshake(session, fd); });
        UntilDone(session, fd, deadline, "password authentication", [&] {
            return libssh2_userauth_password_ex(
                session, request.user.data(), static_cast<unsigned int>(request.user.size()),
                request.password.data(), static_cast<unsigned int>(request.password.size()),
                nullptr);
        });

        while (handles.channel == nullptr) {
            handles.channel = libssh2_channel_open_session(session);
            if (handles.channel == nullptr) {
                const int rc = libssh2_session_last_errno(session);
                if (rc != LIBSSH2_ERROR_EAGAIN) {
                    throw StepFailure("channel open", rc);
                }
                WaitForSocket(session, fd, deadline, "channel open");
            }
        }
        LIBSSH2_CHANNEL* channel = handles.channel;
        UntilDone(session, fd, deadline, "shell", [&] { return libssh2_channel_shell(channel); });
        WriteAll(session, channel, fd, request.commands, deadline);
        UntilDone(session, fd, deadline, "send EOF",
                  [&] { return libssh2_channel_send_eof(channel); });

        std::vector<char> buffer(kReadBufferSize);
        std::uint64_t outputBytes = 0;
        for (;;) {
            const bool outputBlocked = Drain(channel, 0, buffer, &run.standardOutput, outputBytes);
            const bool errorBlocked =
                Drain(channel, SSH_EXTENDED_DATA_STDERR, buffer, nullptr, run.standardErrorBytes);
            if (libssh2_channel_eof(channel) != 0) {
                break;
            }
            if (outputBlocked && errorBlocked) {
                WaitForSocket(session, fd, deadline, "read");
            } else if (Clock::now() >= deadline) {
                throw StepFailure("read (timed out)", LIBSSH2_ERROR_TIMEOUT);
            }
        }

        // The exit status may follow the end-of-file; it always comes before the close.
        UntilDone(session, fd, deadline, "wait closed",
                  [&] { return libssh2_channel_wait_closed(channel); });
        run.exitStatus = libssh2_channel_get_exit_status(channel);
        UntilDone(session, fd, deadline, "channel close",
                  [&] { return libssh2_channel_close(channel); });
        UntilDone(session, fd, deadline, "channel free",
                  [&] { return libssh2_channel_free(channel); });
        handles.channel = nullptr;
        UntilDone(session, fd, deadline, "disconnect",
                  [&] { return libssh2_session_disconnect(session, "Benchmark run complete."); });
        UntilDone(session, fd, deadline, "session free",
                  [&] { return libssh2_session_free(session); });
        handles.session = nullptr;
        ::close(fd);
        handles.descriptor = -1;
    } catch (const std::exception& error) {
        run.failure = error.what();
    }
    return run;
}

}  // namespace VekBenchmark
