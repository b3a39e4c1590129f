// The client's one wait policy, over socket pairs and loopback ports: every wait
// ends ready, at its deadline or in a connection failure, and a signal never ends
// one early.
#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "domain/Exceptions.h"
#include "domain/SteadyClock.h"
#include "fixtures/HostilePorts.h"
#include "networking/NetworkErrors.h"
#include "ssh/SocketWait.h"

namespace {

using Ssh::WaitForSocket;
using VekLibrary::VekDomain::Deadline;
using Clock = std::chrono::steady_clock;

Deadline After(std::int64_t milliseconds) {
    return Deadline::After(std::make_shared<VekLibrary::VekDomain::SteadyClock>(), milliseconds);
}

struct SocketPair {
    SocketPair() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0); }
    ~SocketPair() {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    void Send() { EXPECT_EQ(::write(fds[1], "x", 1), 1); }
    int fds[2] = {-1, -1};
};

std::chrono::milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

TEST(SocketWaitTest, EndsReadyAtItsDeadlineOrAsAConnectionFailure) {
    struct Case {
        const char* name;
        bool send;
        short events;
        std::int64_t deadlineMs;
        bool ready;
    };
    const Case cases[] = {
        {"readable", true, POLLIN, 5000, true},
        {"writable", false, POLLOUT, 5000, true},
        {"silent", false, POLLIN, 30, false},
        // A passed deadline is not waited on, even for a socket that is ready.
        {"deadline passed", true, POLLIN, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SocketPair pair;
        if (c.send) {
            pair.Send();
        }
        const auto start = Clock::now();
        EXPECT_EQ(WaitForSocket(pair.fds[0], c.events, After(c.deadlineMs), "peer"), c.ready);
        if (!c.ready && c.deadlineMs > 0) {
            EXPECT_GE(Since(start).count(), c.deadlineMs);
        }
    }
    const int closed = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ::close(closed);
    try {
        WaitForSocket(closed, POLLIN, After(5000), "192.0.2.7");
        ADD_FAILURE() << "a wait on a closed descriptor ended";
    } catch (const VekLibrary::Networking::XConnectError& error) {
        EXPECT_STREQ(error.what(),
                     "Connection to 192.0.2.7 failed. Reason: Poll error on the TCP connection: "
                     "Bad file descriptor");
    }
}

extern "C" void IgnoreSignal(int /*signal*/) {}

TEST(SocketWaitTest, ASignalRestartsTheWaitAgainstTheSameDeadline) {
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = &IgnoreSignal;  // without SA_RESTART: poll fails with EINTR
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
    SocketPair pair;
    const pthread_t waiter = ::pthread_self();
    std::thread interrupter([waiter] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::pthread_kill(waiter, SIGUSR1);
    });
    const auto start = Clock::now();
    const bool ready = WaitForSocket(pair.fds[0], POLLIN, After(150), "peer");
    const auto elapsed = Since(start);
    interrupter.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_FALSE(ready);
    EXPECT_GE(elapsed.count(), 150);
}

addrinfo* Loopback(unsigned short port) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    EXPECT_EQ(::getaddrinfo("127.0.0.1", std::to_string(port).c_str(), &hints, &list), 0);
    return list;
}

std::string ConnectOutcome(unsigned short port, std::int64_t budget) {
    addrinfo* address = Loopback(port);
    std::string outcome = "connected";
    try {
        const auto socket = Ssh::ConnectWithin(address, "127.0.0.1", After(budget));
        EXPECT_TRUE(socket.IsValid());
    } catch (const std::exception& error) {
        outcome = error.what();
    }
    ::freeaddrinfo(address);
    return outcome;
}

TEST(SocketWaitTest, ConnectsOrNamesWhyNot) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(bound);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&bound), sizeof(bound)), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&bound), &length), 0);
    EXPECT_EQ(ConnectOutcome(ntohs(bound.sin_port), 5000), "connected");
    ::close(listener);

    const VekTest::RefusedPort refused;
    EXPECT_EQ(ConnectOutcome(refused.Port(), 5000),
              "Connection to 127.0.0.1 failed. Reason: Connection failed: Connection refused");
    const VekTest::FilteredPort filtered;
    EXPECT_EQ(ConnectOutcome(filtered.Port(), 50),
              "A timeout occurred. Reason: Connection could not be created within 50 ms.");
}

class CallUntilDoneTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(libssh2_init(0), 0);
        session_ = libssh2_session_init_ex(nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(session_, nullptr);
    }
    void TearDown() override {
        libssh2_session_free(session_);
        libssh2_exit();
    }
    LIBSSH2_SESSION* session_ = nullptr;
};

TEST_F(CallUntilDoneTest, RetriesWhileTheCallWouldBlockAndTheSocketIsReady) {
    SocketPair pair;
    pair.Send();
    int calls = 0;
    const int rc = Ssh::CallUntilDone({session_, pair.fds[0], "peer"}, After(5000),
                                      [&] { return ++calls < 3 ? LIBSSH2_ERROR_EAGAIN : 7; });
    EXPECT_EQ(rc, 7);
    EXPECT_EQ(calls, 3);
}

TEST_F(CallUntilDoneTest, ASocketThatStaysSilentIsTheLibrarysTimeout) {
    SocketPair pair;
    int calls = 0;
    const int rc = Ssh::CallUntilDone({session_, pair.fds[0], "peer"}, After(30), [&] {
        ++calls;
        return LIBSSH2_ERROR_EAGAIN;
    });
    EXPECT_EQ(rc, LIBSSH2_ERROR_TIMEOUT);
    EXPECT_EQ(calls, 1);
}

}  // namespace
