// The handshake event hooks compiled into our libssh2, exercised with real
// handshakes against the fixture's OpenSSH server and small loopback peers.
#include <arpa/inet.h>
#include <libssh2.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "event_handlers.h"
#include "fixtures/LoopbackServer.h"
#include "fixtures/SshdFixture.h"

namespace {

struct EventLog {
    std::vector<int> banner;
    std::vector<int> keyExchanged;
    std::vector<LIBSSH2_SESSION*> sessions;

    // -37 (would block) events come and go with scheduling; the others are the contract.
    std::vector<int> BannerWithoutEagain() const { return WithoutEagain(banner); }
    std::vector<int> KeyExchangedWithoutEagain() const { return WithoutEagain(keyExchanged); }

private:
    static std::vector<int> WithoutEagain(std::vector<int> statuses) {
        statuses.erase(std::remove(statuses.begin(), statuses.end(), LIBSSH2_ERROR_EAGAIN),
                       statuses.end());
        return statuses;
    }
};

void OnBanner(LIBSSH2_SESSION* session, int status, void* user) {
    auto* log = static_cast<EventLog*>(user);
    log->banner.push_back(status);
    log->sessions.push_back(session);
}

void OnKeyExchanged(LIBSSH2_SESSION* session, int status, void* user) {
    auto* log = static_cast<EventLog*>(user);
    log->keyExchanged.push_back(status);
    log->sessions.push_back(session);
}

void RegisterBoth(EventLog& log) {
    register_banner_received_handler(OnBanner, &log);
    register_key_exchanged_handler(OnKeyExchanged, &log);
}

struct HandshakeOutcome {
    int rc = 0;
    LIBSSH2_SESSION* session = nullptr;
};

// A blocking handshake against 127.0.0.1:port, as the SSH client performs it.
HandshakeOutcome Handshake(unsigned short port) {
    HandshakeOutcome outcome;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        ADD_FAILURE() << "could not connect to port " << port;
        outcome.rc = 1;
        return outcome;
    }
    LIBSSH2_SESSION* session = libssh2_session_init_ex(nullptr, nullptr, nullptr, nullptr);
    libssh2_session_set_blocking(session, 1);
    libssh2_session_set_timeout(session, 10000);
    outcome.rc = libssh2_session_handshake(session, fd);
    outcome.session = session;
    libssh2_session_disconnect_ex(session, SSH_DISCONNECT_BY_APPLICATION, "Monitor test complete.",
                                  "");
    libssh2_session_free(session);
    ::close(fd);
    return outcome;
}

// Registrations are per thread and never cleared, so every case runs on a fresh
// thread that starts with an empty record.
template <typename Body>
void OnFreshThread(Body body) {
    std::thread(body).join();
}

class HandshakeHooksTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(libssh2_init(0), 0);
        sshd_ = VekTest::ReadSshdEndpoint();
    }
    void TearDown() override { libssh2_exit(); }

    VekTest::SshdEndpoint sshd_;
};

TEST(Libssh2BuildTest, LinksVersion1111) {
    EXPECT_STREQ(libssh2_version(0), "1.11.1");
}

TEST_F(HandshakeHooksTest, SuccessfulHandshakeFiresOneBannerAndOneKeyExchangedSuccess) {
    EventLog log;
    HandshakeOutcome outcome;
    OnFreshThread([&] {
        RegisterBoth(log);
        outcome = Handshake(sshd_.port);
    });
    EXPECT_EQ(outcome.rc, 0);
    EXPECT_EQ(log.BannerWithoutEagain(), std::vector<int>{0});
    EXPECT_EQ(log.KeyExchangedWithoutEagain(), std::vector<int>{0});
    for (LIBSSH2_SESSION* session : log.sessions) {
        EXPECT_EQ(session, outcome.session) << "events must name the handshaking session";
    }
}

TEST_F(HandshakeHooksTest, EveryLineBeforeTheIdentificationLineFiresItsOwnBannerEvent) {
    VekTest::LoopbackServer relay(
        VekTest::RelayWithPreamble("Welcome to the relay\r\nsecond line\r\n", sshd_.port));
    EventLog log;
    HandshakeOutcome outcome;
    OnFreshThread([&] {
        RegisterBoth(log);
        outcome = Handshake(relay.Port());
    });
    EXPECT_EQ(outcome.rc, 0);
    EXPECT_EQ(log.BannerWithoutEagain(), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(log.KeyExchangedWithoutEagain(), std::vector<int>{0});
}

TEST_F(HandshakeHooksTest, PeerThatClosesAtOnceFiresDisconnectAndNoKeyExchange) {
    VekTest::LoopbackServer peer(VekTest::CloseAtOnce());
    EventLog log;
    HandshakeOutcome outcome;
    OnFreshThread([&] {
        RegisterBoth(log);
        outcome = Handshake(peer.Port());
    });
    EXPECT_EQ(outcome.rc, LIBSSH2_ERROR_SOCKET_DISCONNECT);
    EXPECT_EQ(log.BannerWithoutEagain(), std::vector<int>{LIBSSH2_ERROR_SOCKET_DISCONNECT});
    EXPECT_TRUE(log.keyExchanged.empty());
}

TEST_F(HandshakeHooksTest, RegistrationOnOneThreadIsNotSeenOnAnother) {
    EventLog registeredHere;
    EventLog registeredThere;
    OnFreshThread([&] {
        RegisterBoth(registeredHere);
        HandshakeOutcome other;
        OnFreshThread([&] { other = Handshake(sshd_.port); });
        EXPECT_EQ(other.rc, 0);
    });
    EXPECT_TRUE(registeredHere.banner.empty());
    EXPECT_TRUE(registeredHere.keyExchanged.empty());

    OnFreshThread([&] {
        OnFreshThread([&] { RegisterBoth(registeredThere); });
        EXPECT_EQ(Handshake(sshd_.port).rc, 0);
    });
    EXPECT_TRUE(registeredThere.banner.empty());
    EXPECT_TRUE(registeredThere.keyExchanged.empty());
}

TEST_F(HandshakeHooksTest, NullCallbackLeavesTheEarlierRegistrationInForce) {
    EventLog first;
    EventLog ignored;
    OnFreshThread([&] {
        RegisterBoth(first);
        register_banner_received_handler(nullptr, &ignored);
        register_key_exchanged_handler(nullptr, &ignored);
        EXPECT_EQ(Handshake(sshd_.port).rc, 0);
    });
    EXPECT_EQ(first.BannerWithoutEagain(), std::vector<int>{0});
    EXPECT_EQ(first.KeyExchangedWithoutEagain(), std::vector<int>{0});
    EXPECT_TRUE(ignored.banner.empty());
    EXPECT_TRUE(ignored.keyExchanged.empty());
}

TEST_F(HandshakeHooksTest, SecondRegistrationReplacesCallbackAndUserPointer) {
    EventLog first;
    EventLog second;
    OnFreshThread([&] {
        register_banner_received_handler(OnBanner, &first);
        register_banner_received_handler(OnBanner, &second);
        EXPECT_EQ(Handshake(sshd_.port).rc, 0);
    });
    EXPECT_TRUE(first.banner.empty());
    EXPECT_EQ(second.BannerWithoutEagain(), std::vector<int>{0});
}

TEST_F(HandshakeHooksTest, RegistrationOutlivesTheSessionAndTheLibrary) {
    EventLog log;
    OnFreshThread([&] {
        register_banner_received_handler(OnBanner, &log);
        EXPECT_EQ(Handshake(sshd_.port).rc, 0);
        libssh2_exit();
        ASSERT_EQ(libssh2_init(0), 0);
        EXPECT_EQ(Handshake(sshd_.port).rc, 0);
    });
    EXPECT_EQ(log.BannerWithoutEagain(), (std::vector<int>{0, 0}));
}

TEST_F(HandshakeHooksTest, HandshakeSucceedsWithNothingRegistered) {
    OnFreshThread([&] { EXPECT_EQ(Handshake(sshd_.port).rc, 0); });
}

}  // namespace
