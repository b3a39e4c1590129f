#include "networking/SocketHandle.h"

#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "domain/Exceptions.h"
#include "domain/Milliseconds.h"
#include "networking/NetworkErrors.h"

namespace VekLibrary::Networking {
namespace {

using VekDomain::Milliseconds;

bool IsOpen(int descriptor) {
    return ::fcntl(descriptor, F_GETFL) != -1;
}

// Two connected local stream sockets; the test owns the second end.
struct StreamPair {
    StreamPair() {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) {
            throw std::runtime_error("socketpair failed");
        }
        ours = SocketHandle(ends[0]);
        peer = ends[1];
    }
    ~StreamPair() { ::close(peer); }
    SocketHandle ours;
    int peer = -1;
};

template <typename Error>
std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "<no exception>";
}

TEST(SocketHandleTest, MoveLeavesTheSourceOwningNothing) {
    SocketHandle source{UnixDomainSocketPolicy{SocketType::Stream}};
    const int descriptor = source.GetSocketDescriptor();
    ASSERT_TRUE(source.IsValid());
    {
        SocketHandle target(std::move(source));
        EXPECT_EQ(source.GetSocketDescriptor(), -1);
        EXPECT_FALSE(source.IsValid());
        EXPECT_EQ(target.GetSocketDescriptor(), descriptor);
        EXPECT_EQ(target.GetSocketType(), SocketType::Stream);
        source.Close();  // owns nothing, so the target's descriptor stays open
        EXPECT_TRUE(IsOpen(descriptor));

        SocketHandle assigned{UnixDomainSocketPolicy{SocketType::Datagram}};
        const int replaced = assigned.GetSocketDescriptor();
        assigned = std::move(target);
        EXPECT_FALSE(IsOpen(replaced));
        EXPECT_EQ(assigned.GetSocketDescriptor(), descriptor);
        EXPECT_EQ(target.GetSocketDescriptor(), -1);
        EXPECT_THROW(target.GetSocketType(), XInvalidOperationError);
    }
    EXPECT_FALSE(IsOpen(descriptor));
}

TEST(SocketHandleTest, ClosingADescriptorClosedElsewhereDoesNothing) {
    SocketHandle handle{UnixDomainSocketPolicy{SocketType::Stream}};
    const int descriptor = handle.GetSocketDescriptor();
    ASSERT_EQ(::close(descriptor), 0);
    EXPECT_FALSE(handle.IsValid());
    EXPECT_EQ(handle.GetSocketDescriptor(), descriptor);
    handle.Close();
    EXPECT_EQ(handle.GetSocketDescriptor(), -1);
    handle.Close();
}

// Values are whole multiples of the kernel's timer tick at the usual HZ settings, so
// they read back unrounded.
TEST(SocketHandleTest, TimeoutsReadBackAsSet) {
    SocketHandle handle{UnixDomainSocketPolicy{SocketType::Stream}};
    auto readBack = [&](int option) {
        timeval value{};
        socklen_t length = sizeof(value);
        EXPECT_EQ(::getsockopt(handle.GetSocketDescriptor(), SOL_SOCKET, option, &value, &length),
                  0);
        return std::make_pair(static_cast<long>(value.tv_sec), static_cast<long>(value.tv_usec));
    };
    handle.SetReceiveTimeout(Milliseconds(1500));
    handle.SetSendTimeout(Milliseconds(3000));
    EXPECT_EQ(readBack(SO_RCVTIMEO), std::make_pair(1L, 500000L));
    EXPECT_EQ(readBack(SO_SNDTIMEO), std::make_pair(3L, 0L));
    handle.SetReceiveTimeout(Milliseconds(500));
    handle.SetSendTimeout(Milliseconds(2500));
    EXPECT_EQ(readBack(SO_RCVTIMEO), std::make_pair(0L, 500000L));
    EXPECT_EQ(readBack(SO_SNDTIMEO), std::make_pair(2L, 500000L));
}

TEST(SocketHandleTest, RefusesZeroOrUnsetTimeouts) {
    SocketHandle handle{UnixDomainSocketPolicy{SocketType::Stream}};
    const std::string expected = "Invalid operation: Socket timeout must be positive.";
    EXPECT_EQ(MessageOf<XInvalidOperationError>([&] { handle.SetReceiveTimeout(Milliseconds(0)); }),
              expected);
    EXPECT_EQ(MessageOf<XInvalidOperationError>([&] { handle.SetSendTimeout(Milliseconds()); }),
              expected);
}

TEST(SocketHandleTest, OperationsOnAHandleWithoutDescriptorAreRefused) {
    SocketHandle empty;
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[&] { empty.GetSocketType(); }, "Cannot get socket type, invalid file descriptor."},
        {[&] { empty.MakeNonBlocking(); },
         "Cannot set socket to non-blocking mode, invalid file descriptor."},
        {[&] { empty.MakeBlocking(); },
         "Cannot set socket to blocking mode, invalid file descriptor."},
        {[&] { empty.ShutdownWrite(); },
         "Cannot shutdown write on socket, invalid file descriptor."},
        {[&] { empty.SetReceiveTimeout(Milliseconds(10)); },
         "Cannot set socket receive timeout, invalid file descriptor."},
        {[&] { empty.SetSendTimeout(Milliseconds(10)); },
         "Cannot set socket send timeout, invalid file descriptor."},
    };
    for (const auto& [action, message] : cases) {
        EXPECT_EQ(MessageOf<XInvalidOperationError>(action), "Invalid operation: " + message);
    }
}

TEST(SocketHandleTest, BlockingModeTogglesOnlyNonBlocking) {
    StreamPair pair;
    const int descriptor = pair.ours.GetSocketDescriptor();
    const int original = ::fcntl(descriptor, F_GETFL);
    pair.ours.MakeNonBlocking();
    EXPECT_EQ(::fcntl(descriptor, F_GETFL), original | O_NONBLOCK);
    char byte;
    EXPECT_EQ(::recv(descriptor, &byte, 1, 0), -1);
    EXPECT_EQ(errno, EAGAIN);
    pair.ours.MakeBlocking();
    EXPECT_EQ(::fcntl(descriptor, F_GETFL), original & ~O_NONBLOCK);
}

TEST(SocketHandleTest, ShutdownWriteSignalsEndOfFileToThePeer) {
    StreamPair pair;
    pair.ours.ShutdownWrite();
    char byte;
    EXPECT_EQ(::recv(pair.peer, &byte, 1, 0), 0);

    SocketHandle datagram{UnixDomainSocketPolicy{SocketType::Datagram}};
    EXPECT_EQ(MessageOf<XInvalidOperationError>([&] { datagram.ShutdownWrite(); }),
              "Invalid operation: Shutdown write is only valid for stream (TCP) sockets.");
}

// A copy of our descriptor keeps the socket open after the handle is gone, so the
// peer sees end-of-file only because the handle shut the connection down first.
TEST(SocketHandleTest, DestructorShutsTheConnectionDown) {
    int peer = -1;
    int ourCopy = -1;
    {
        StreamPair pair;
        peer = ::dup(pair.peer);
        ourCopy = ::dup(pair.ours.GetSocketDescriptor());
    }
    ASSERT_TRUE(IsOpen(ourCopy));
    char byte;
    EXPECT_EQ(::recv(peer, &byte, 1, MSG_DONTWAIT), 0);
    ::close(ourCopy);
    ::close(peer);
}

TEST(SocketHandleTest, AdoptsOnlyOpenStreamOrDatagramSockets) {
    EXPECT_EQ(MessageOf<XBrokenInvariantsError>([] { SocketHandle handle(-1); }),
              "Cannot create socket handle, invalid file descriptor: -1");

    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    EXPECT_EQ(MessageOf<XSocketError>([&] { SocketHandle handle(pipeEnds[0]); }),
              "Socket error(socket: " + std::to_string(pipeEnds[0]) +
                  "). Reason: Failed to get socket type from descriptor.[errno: 88 - Socket "
                  "operation on non-socket].");
    EXPECT_TRUE(IsOpen(pipeEnds[0]));  // a refused descriptor stays the caller's
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    EXPECT_EQ(
        MessageOf<XBrokenInvariantsError>([&] { SocketHandle handle(pipeEnds[0]); }),
        "Cannot create socket handle, invalid file descriptor: " + std::to_string(pipeEnds[0]));

    const int sequenced = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    ASSERT_GE(sequenced, 0);
    EXPECT_NE(MessageOf<XSocketError>([&] { SocketHandle handle(sequenced); })
                  .find("Reason: Cannot create socket from file descriptor. Unsupported socket "
                        "type: 5[errno: "),
              std::string::npos);
    EXPECT_TRUE(IsOpen(sequenced));
    ::close(sequenced);

    const int datagram = ::socket(AF_INET, SOCK_DGRAM, 0);
    SocketHandle adopted(datagram);
    EXPECT_EQ(adopted.GetSocketType(), SocketType::Datagram);
}

TEST(SocketHandleTest, CreatesSocketsFromAddressInfo) {
    EXPECT_EQ(MessageOf<XBrokenInvariantsError>([] { SocketHandle handle(nullptr); }),
              "Cannot create socket handle, address info is null.");

    addrinfo info{};
    info.ai_family = AF_INET6;
    info.ai_socktype = SOCK_STREAM;
    SocketHandle stream(&info);
    EXPECT_TRUE(stream.IsValid());
    EXPECT_EQ(stream.GetSocketType(), SocketType::Stream);

    info.ai_socktype = SOCK_RAW;
    EXPECT_NE(MessageOf<XSocketError>([&] { SocketHandle handle(&info); })
                  .find("Reason: Cannot create socket from address info. Unsupported socket "
                        "type: 3[errno: "),
              std::string::npos);

    info.ai_family = 4242;
    info.ai_socktype = SOCK_DGRAM;
    EXPECT_EQ(MessageOf<XSocketError>([&] { SocketHandle handle(&info); }),
              "Socket error(socket: -1). Reason: Failed to create socket.[errno: 97 - Address "
              "family not supported by protocol].");
}

TEST(SocketHandleTest, UnixDomainPolicyNeedsAType) {
    EXPECT_EQ(
        MessageOf<XBrokenInvariantsError>([] { SocketHandle handle{UnixDomainSocketPolicy{}}; }),
        "Cannot create Unix domain socket handle, socket type is unhandled.");
}

TEST(NetworkErrorsTest, SocketErrorIsANetworkErrorWithErrnoText) {
    errno = EBADF;
    const XSocketError error(SocketHandle(), "Failed to shutdown write on socket.");
    EXPECT_STREQ(error.what(),
                 "Socket error(socket: -1). Reason: Failed to shutdown write on socket.[errno: 9 - "
                 "Bad file descriptor].");
    const XNetworkError& asNetworkError = error;
    const std::system_error& asSystemError = error;
    EXPECT_STREQ(asNetworkError.what(), error.what());
    EXPECT_EQ(asSystemError.code().value(), 0);
}

}  // namespace
}  // namespace VekLibrary::Networking
