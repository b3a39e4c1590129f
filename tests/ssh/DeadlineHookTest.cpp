// The deadline hook compiled into our libssh2, and the client's guard that
// registers it. The library is driven directly, with hooks whose answers the test
// scripts, so the deadline passes at exactly the points a case needs.
#include <libssh2.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "domain/Deadline.h"
#include "domain/SteadyClock.h"
#include "event_handlers.h"
#include "fixtures/LoopbackServer.h"
#include "fixtures/SshdFixture.h"
#include "ssh/LibraryDeadline.h"

namespace {

using VekLibrary::VekDomain::Deadline;

// Registrations are per thread and never cleared, so every case runs on a fresh
// thread that starts with an empty record.
template <typename Body>
void OnFreshThread(Body body) {
    std::thread(body).join();
}

// A deadline hook whose answer to the n-th query (counting from 0) is decide(n).
struct ScriptedDeadline {
    std::function<bool(long)> decide;
    long queries = 0;
    long passedAnswers = 0;
    bool answeredPassed = false;

    void Register() { register_deadline_handler(&Answer, this); }

    static int Answer(LIBSSH2_SESSION* /*session*/, void* user) {
        auto* self = static_cast<ScriptedDeadline*>(user);
        const bool passed = self->decide(self->queries++);
        self->passedAnswers += passed ? 1 : 0;
        self->answeredPassed = self->answeredPassed || passed;
        return passed ? 1 : 0;
    }
};

void OnBanner(LIBSSH2_SESSION* /*session*/, int status, void* user) {
    if (status != LIBSSH2_ERROR_EAGAIN) {
        static_cast<std::vector<int>*>(user)->push_back(status);
    }
}

int ConnectTo(unsigned short port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Repeats a non-blocking library call until it stops answering EAGAIN. An EAGAIN
// caused by the hook is retried at once (the library may hold unread bytes); any
// other means the socket was empty, so it waits for the socket first. Gives up
// after a minute.
template <typename Call>
int Drive(int fd, ScriptedDeadline& deadline, Call call) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    for (;;) {
        deadline.answeredPassed = false;
        const int rc = call();
        if (rc != LIBSSH2_ERROR_EAGAIN || std::chrono::steady_clock::now() > end) {
            return rc;
        }
        if (!deadline.answeredPassed) {
            pollfd entry{fd, POLLIN | POLLOUT, 0};
            ::poll(&entry, 1, 100);
        }
    }
}

class DeadlineHookTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(libssh2_init(0), 0); }
    void TearDown() override { libssh2_exit(); }
};

TEST_F(DeadlineHookTest, GuardsNestAndLeaveNoDeadlineBehind) {
    Ssh::SessionContext context;
    LIBSSH2_SESSION* session = libssh2_session_init_ex(nullptr, nullptr, nullptr, &context);
    const auto clock = std::make_shared<VekLibrary::VekDomain::SteadyClock>();
    OnFreshThread([&] {
        EXPECT_EQ(_event_deadline_passed(session), 0);
        {
            const Ssh::LibraryDeadline passed(session, Deadline::After(clock, -1));
            EXPECT_EQ(_event_deadline_passed(session), 1);
            // A session without a context is never held.
            EXPECT_EQ(_event_deadline_passed(nullptr), 0);
            {
                const Ssh::LibraryDeadline later(session, Deadline::After(clock, 60000));
                EXPECT_EQ(_event_deadline_passed(session), 0);
            }
            EXPECT_EQ(_event_deadline_passed(session), 1);
        }
        EXPECT_EQ(_event_deadline_passed(session), 0);
    });
    libssh2_session_free(session);
}

// The hook interrupts every other read loop, mid-line and mid-packet: a whole
// session over a relay that sends lines before the identification string must
// still see every line once and every output byte in order.
TEST_F(DeadlineHookTest, InterruptionsKeepPartialLinesAndPackets) {
    const VekTest::SshdEndpoint sshd = VekTest::ReadSshdEndpoint();
    VekTest::LoopbackServer relay(
        VekTest::RelayWithPreamble("first line\r\nsecond line\r\n", sshd.port));
    const std::string command = "seq 1 100000";
    std::string expected;
    for (int i = 1; i <= 100000; ++i) {
        expected += std::to_string(i) + "\n";
    }
    std::vector<int> banners;
    ScriptedDeadline deadline;
    deadline.decide = [](long query) { return query % 2 == 1; };
    std::string output;
    std::string identification;
    int handshake = 1;
    int authentication = 1;
    int exec = 1;
    OnFreshThread([&] {
        register_banner_received_handler(&OnBanner, &banners);
        deadline.Register();
        const int fd = ConnectTo(relay.Port());
        ASSERT_GE(fd, 0);
        LIBSSH2_SESSION* session = libssh2_session_init_ex(nullptr, nullptr, nullptr, nullptr);
        libssh2_session_set_blocking(session, 0);
        handshake = Drive(fd, deadline, [&] { return libssh2_session_handshake(session, fd); });
        const char* banner = libssh2_session_banner_get(session);
        identification = banner != nullptr ? banner : "";
        authentication = Drive(fd, deadline, [&] {
            return libssh2_userauth_password_ex(
                session, sshd.user.data(), static_cast<unsigned int>(sshd.user.size()),
                sshd.password.data(), static_cast<unsigned int>(sshd.password.size()), nullptr);
        });
        LIBSSH2_CHANNEL* channel = nullptr;
        Drive(fd, deadline, [&] {
            channel = libssh2_channel_open_ex(session, "session", 7, LIBSSH2_CHANNEL_WINDOW_DEFAULT,
                                              LIBSSH2_CHANNEL_PACKET_DEFAULT, nullptr, 0);
            return channel != nullptr ? 0 : libssh2_session_last_errno(session);
        });
        if (channel != nullptr) {
            exec = Drive(fd, deadline, [&] {
                return libssh2_channel_process_startup(channel, "exec", 4, command.data(),
                                                       static_cast<unsigned int>(command.size()));
            });
            char buffer[4096];
            for (;;) {
                const int rc = Drive(fd, deadline, [&] {
                    return static_cast<int>(
                        libssh2_channel_read_ex(channel, 0, buffer, sizeof(buffer)));
                });
                if (rc <= 0) {
                    break;
                }
                output.append(buffer, static_cast<std::size_t>(rc));
            }
            libssh2_channel_free(channel);
        }
        libssh2_session_disconnect_ex(session, SSH_DISCONNECT_BY_APPLICATION, "done", "");
        libssh2_session_free(session);
        ::close(fd);
    });
    EXPECT_EQ(handshake, 0);
    EXPECT_EQ(banners, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(identification.rfind("SSH-2.0-", 0), 0u) << identification;
    EXPECT_EQ(authentication, 0);
    EXPECT_EQ(exec, 0);
    EXPECT_EQ(output.size(), expected.size());
    EXPECT_TRUE(output == expected);
    EXPECT_GT(deadline.passedAnswers, 1000);
}

// A flood of lines: the passed deadline stops the banner read where it is,
// and once it no longer applies, the read goes on where it stopped, up to the
// limit of 1024 lines.
TEST_F(DeadlineHookTest, PassedDeadlineStopsAFloodedBannerReadWithoutLosingCount) {
    constexpr long kLineBytes = 100;
    VekTest::LoopbackServer server(VekTest::FloodLines(std::string(kLineBytes - 2, 'x') + "\r\n"));
    constexpr long kQueriesBeforePassing = 5000;
    std::vector<int> banners;
    std::vector<int> bannersWhenStopped;
    std::vector<int> bannersAfterMoreCalls;
    ScriptedDeadline deadline;
    bool stopped = true;
    deadline.decide = [&](long query) { return stopped && query >= kQueriesBeforePassing; };
    int whilePassed = 1;
    int afterwards = 1;
    int blockingWhilePassed = 1;
    OnFreshThread([&] {
        register_banner_received_handler(&OnBanner, &banners);
        deadline.Register();
        const int fd = ConnectTo(server.Port());
        ASSERT_GE(fd, 0);
        LIBSSH2_SESSION* session = libssh2_session_init_ex(nullptr, nullptr, nullptr, nullptr);
        libssh2_session_set_blocking(session, 0);
        // The socket always holds bytes once the server has started, so without
        // the hook the first call that finds them would read on to the limit.
        const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        do {
            deadline.answeredPassed = false;
            whilePassed = libssh2_session_handshake(session, fd);
            if (!deadline.answeredPassed) {
                pollfd entry{fd, POLLIN, 0};
                ::poll(&entry, 1, 100);
            }
        } while (whilePassed == LIBSSH2_ERROR_EAGAIN && !deadline.answeredPassed &&
                 std::chrono::steady_clock::now() < end);
        bannersWhenStopped = banners;
        for (int call = 0; call < 10 && whilePassed == LIBSSH2_ERROR_EAGAIN; ++call) {
            whilePassed = libssh2_session_handshake(session, fd);
        }
        bannersAfterMoreCalls = banners;
        stopped = false;
        afterwards = Drive(fd, deadline, [&] { return libssh2_session_handshake(session, fd); });
        libssh2_session_free(session);
        ::close(fd);

        // A blocking call must not wait on a socket that is always readable.
        stopped = true;
        const int blockingFd = ConnectTo(server.Port());
        ASSERT_GE(blockingFd, 0);
        session = libssh2_session_init_ex(nullptr, nullptr, nullptr, nullptr);
        libssh2_session_set_blocking(session, 1);
        blockingWhilePassed = libssh2_session_handshake(session, blockingFd);
        libssh2_session_free(session);
        ::close(blockingFd);
    });
    EXPECT_EQ(whilePassed, LIBSSH2_ERROR_EAGAIN);
    // About one query per byte: some 50 lines were read before the deadline
    // passed, none after.
    EXPECT_GT(bannersWhenStopped.size(), 0u);
    EXPECT_LE(bannersWhenStopped.size(),
              static_cast<std::size_t>(kQueriesBeforePassing / kLineBytes));
    EXPECT_EQ(bannersAfterMoreCalls, bannersWhenStopped);
    EXPECT_EQ(afterwards, LIBSSH2_ERROR_BANNER_RECV);
    std::vector<int> expected(1024, 0);
    expected.push_back(LIBSSH2_ERROR_BANNER_RECV);
    EXPECT_EQ(banners, expected);
    EXPECT_EQ(blockingWhilePassed, LIBSSH2_ERROR_TIMEOUT);
}

}  // namespace
