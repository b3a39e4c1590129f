#include "networking/LinuxNetworkingWrapper.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "domain/Exceptions.h"
#include "fixtures/AddressInfoTestLists.h"
#include "networking/AddressInfoList.h"
#include "networking/Ipv6ToIpv4FallbackDnsResolutionStrategy.h"
#include "networking/NetworkErrors.h"

namespace VekLibrary::Networking {
namespace {

std::string BrokenInvariantOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const XBrokenInvariantsError& error) {
        return error.what();
    }
    return "<no exception>";
}

AddressInfoList Numeric(const std::string& host) {
    return LinuxNetworkingWrapper().GetAddressInfo(host, "22", AddressFamilyEnum::Unspecified,
                                                   SocketType::Stream, AI_NUMERICHOST);
}

TEST(AddressInfoListTest, CursorWalksResetsAndStopsAtTheEnd) {
    EXPECT_EQ(BrokenInvariantOf([] { AddressInfoList list(nullptr); }),
              "::addrinfo list cannot be null.");

    AddressInfoList list =
        VekTest::MakeAddressInfoList({{AF_INET, "192.0.2.1"}, {AF_INET6, "2001:db8::1"}});
    const addrinfo* first = list.GetCurrentNode();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->ai_family, AF_INET);
    const addrinfo* second = list.Next();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->ai_family, AF_INET6);
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(list.GetCurrentNode(), nullptr);
    list.ResetCurrentNode();
    EXPECT_EQ(list.GetCurrentNode(), first);

    list.Next();
    AddressInfoList moved(std::move(list));
    EXPECT_EQ(moved.GetCurrentNode(), second);
    EXPECT_EQ(list.GetCurrentNode(), nullptr);
    EXPECT_EQ(list.Next(), nullptr);
    list = std::move(moved);
    EXPECT_EQ(list.GetCurrentNode(), second);
}

TEST(LinuxNetworkingWrapperTest, ResolvesLiteralsAndLocalhost) {
    LinuxNetworkingWrapper wrapper;
    AddressInfoList ipv6 = Numeric("::1");
    EXPECT_EQ(ipv6.GetCurrentNode()->ai_family, AF_INET6);
    EXPECT_EQ(wrapper.AddressAsString(ipv6.GetCurrentNode()), "::1");
    EXPECT_EQ(
        ntohs(reinterpret_cast<const sockaddr_in6*>(ipv6.GetCurrentNode()->ai_addr)->sin6_port),
        22);

    AddressInfoList ipv4 = Numeric("127.0.0.1");
    EXPECT_EQ(wrapper.AddressAsString(ipv4.GetCurrentNode()), "127.0.0.1");

    // An empty service is passed as an empty text, which the resolver reads as port 0.
    AddressInfoList local =
        wrapper.GetAddressInfo("localhost", "", AddressFamilyEnum::Ipv4, SocketType::Stream, 0);
    EXPECT_EQ(wrapper.AddressAsString(local.GetCurrentNode()), "127.0.0.1");
    EXPECT_EQ(reinterpret_cast<const sockaddr_in*>(local.GetCurrentNode()->ai_addr)->sin_port, 0);
    EXPECT_EQ(local.GetCurrentNode()->ai_socktype, SOCK_STREAM);
}

TEST(LinuxNetworkingWrapperTest, ReportsResolverFailuresWithTheResolverText) {
    LinuxNetworkingWrapper wrapper;
    try {
        wrapper.GetAddressInfo("not-a-literal", "22", AddressFamilyEnum::Unspecified,
                               SocketType::Stream, AI_NUMERICHOST);
        FAIL();
    } catch (const XNameResolutionError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Failed to resolve hostname: not-a-literal. getaddrinfo() returned: " +
                      std::string(::gai_strerror(EAI_NONAME)));
    }
    // The resolver would stop at the NUL and look up "127.0.0.1" instead.
    const std::string truncated("127.0.0.1\0.example", 18);
    EXPECT_THROW(wrapper.GetAddressInfo(truncated, "22", AddressFamilyEnum::Unspecified,
                                        SocketType::Stream, 0),
                 XNameResolutionError);
}

// A name that is not in /etc/hosts is looked up inside a private network namespace
// of a child process, so no query leaves the machine.
TEST(LinuxNetworkingWrapperTest, UnresolvableNameInAPrivateNetworkNamespace) {
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(channel[0]);
        std::string report;
        if (::unshare(CLONE_NEWNET) != 0) {
            report = std::string("SKIP unshare(CLONE_NEWNET): ") + std::strerror(errno);
        } else {
            const std::string name = "vek-unresolvable-host.invalid";
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_flags = AI_CANONNAME | AI_ADDRCONFIG;
            addrinfo* direct = nullptr;
            const int result = ::getaddrinfo(name.c_str(), "22", &hints, &direct);
            if (direct != nullptr) {
                ::freeaddrinfo(direct);
            }
            const std::string expected = "Failed to resolve hostname: " + name +
                                         ". getaddrinfo() returned: " + ::gai_strerror(result);
            std::string wrapperText = "<no exception>";
            std::string strategyText = "<no exception>";
            try {
                LinuxNetworkingWrapper().GetAddressInfo(name, "22", AddressFamilyEnum::Unspecified,
                                                        SocketType::Stream,
                                                        AI_CANONNAME | AI_ADDRCONFIG);
            } catch (const XNameResolutionError& error) {
                wrapperText = error.what();
            }
            try {
                Ipv6ToIpv4FallbackDnsResolutionStrategy(std::make_shared<LinuxNetworkingWrapper>())
                    .Resolve(name, "22", AddressFamilyEnum::Ipv6);
            } catch (const XNameResolutionError& error) {
                strategyText = error.what();
            }
            report = result == 0 ? "resolved although isolated"
                                 : expected + "\n" + wrapperText + "\n" + strategyText;
        }
        const char* data = report.data();
        size_t left = report.size();
        while (left > 0) {
            const ssize_t written = ::write(channel[1], data, left);
            if (written <= 0) {
                break;
            }
            data += written;
            left -= static_cast<size_t>(written);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string report;
    pollfd readable{channel[0], POLLIN, 0};
    bool timedOut = false;
    for (;;) {
        const int ready = ::poll(&readable, 1, 20000);
        if (ready <= 0) {
            timedOut = true;
            break;
        }
        char buffer[512];
        const ssize_t count = ::read(channel[0], buffer, sizeof(buffer));
        if (count <= 0) {
            break;
        }
        report.append(buffer, static_cast<size_t>(count));
    }
    ::close(channel[0]);
    if (timedOut) {
        ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_FALSE(timedOut) << "the isolated lookup did not finish within 20 s";
    if (report.rfind("SKIP ", 0) == 0) {
        GTEST_SKIP() << "cannot create a private network namespace: " << report.substr(5);
    }
    const size_t firstBreak = report.find('\n');
    ASSERT_NE(firstBreak, std::string::npos) << report;
    const size_t secondBreak = report.find('\n', firstBreak + 1);
    ASSERT_NE(secondBreak, std::string::npos) << report;
    const std::string expected = report.substr(0, firstBreak);
    EXPECT_EQ(report.substr(firstBreak + 1, secondBreak - firstBreak - 1), expected);
    EXPECT_EQ(report.substr(secondBreak + 1), expected);
    EXPECT_EQ(expected.rfind("Failed to resolve hostname: vek-unresolvable-host.invalid. "
                             "getaddrinfo() returned: ",
                             0),
              0u);
}

TEST(LinuxNetworkingWrapperTest, AddressAsStringRefusesInconsistentNodes) {
    LinuxNetworkingWrapper wrapper;
    EXPECT_EQ(BrokenInvariantOf([&] { wrapper.AddressAsString(nullptr); }),
              "Cannot represent address as string, addrinfo or ai_addr is null.");
    addrinfo empty{};
    empty.ai_family = AF_INET;
    EXPECT_EQ(BrokenInvariantOf([&] { wrapper.AddressAsString(&empty); }),
              "Cannot represent address as string, addrinfo or ai_addr is null.");

    sockaddr_un local{};
    local.sun_family = AF_UNIX;
    addrinfo unixNode{};
    unixNode.ai_family = AF_UNIX;
    unixNode.ai_addr = reinterpret_cast<sockaddr*>(&local);
    unixNode.ai_addrlen = sizeof(local);
    EXPECT_EQ(BrokenInvariantOf([&] { wrapper.AddressAsString(&unixNode); }),
              "Unsupported address family: 1");

    // An IPv6 node whose address is only an IPv4 socket address: reading sin6_addr
    // would run past its end.
    AddressInfoList list = VekTest::MakeAddressInfoList({{AF_INET, "192.0.2.7"}});
    addrinfo mismatched = *list.GetCurrentNode();
    mismatched.ai_family = AF_INET6;
    EXPECT_EQ(BrokenInvariantOf([&] { wrapper.AddressAsString(&mismatched); }),
              "Cannot represent address as string, ai_addrlen 16 is too short for address "
              "family 10.");
    // Long enough, but the address itself says IPv4.
    sockaddr_in6 storage{};
    storage.sin6_family = AF_INET;
    mismatched.ai_addr = reinterpret_cast<sockaddr*>(&storage);
    mismatched.ai_addrlen = sizeof(storage);
    EXPECT_EQ(BrokenInvariantOf([&] { wrapper.AddressAsString(&mismatched); }),
              "Cannot represent address as string, ai_addr family 2 does not match ai_family 10.");
}

TEST(LinuxNetworkingWrapperTest, IpStringToAddressFillsOnlyFamilyAndAddress) {
    LinuxNetworkingWrapper wrapper;
    sockaddr_storage out;
    std::memset(&out, 0xab, sizeof(out));
    wrapper.IpStringToAddress("192.0.2.9", AddressFamilyEnum::Ipv4, out);
    const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(&out);
    EXPECT_EQ(ipv4->sin_family, AF_INET);
    EXPECT_EQ(ipv4->sin_port, 0);
    EXPECT_EQ(ipv4->sin_addr.s_addr, inet_addr("192.0.2.9"));

    wrapper.IpStringToAddress("::1", AddressFamilyEnum::Ipv6, out);
    const auto* ipv6 = reinterpret_cast<const sockaddr_in6*>(&out);
    EXPECT_EQ(ipv6->sin6_family, AF_INET6);
    EXPECT_EQ(ipv6->sin6_port, 0);
    EXPECT_TRUE(IN6_IS_ADDR_LOOPBACK(&ipv6->sin6_addr));

    const std::vector<std::tuple<std::string, AddressFamilyEnum, std::string>> refused = {
        {"", AddressFamilyEnum::Ipv4, "Cannot convert empty string to address."},
        {"::1", AddressFamilyEnum::Unspecified,
         "Cannot convert string to address, unsupported address family : 0"},
        {"::1", AddressFamilyEnum::Ipv4, "Cannot convert string to address, ::inet_pton failed. 0"},
        {"192.0.2.1", AddressFamilyEnum::Ipv6,
         "Cannot convert string to address, ::inet_pton failed. 0"},
        {std::string("192.0.2.1\0x", 11), AddressFamilyEnum::Ipv4,
         "Cannot convert string to address, ::inet_pton failed. 0"},
    };
    const sockaddr_storage zeroed{};
    for (const auto& [text, family, message] : refused) {
        SCOPED_TRACE(message);
        wrapper.IpStringToAddress("192.0.2.9", AddressFamilyEnum::Ipv4, out);
        EXPECT_EQ(BrokenInvariantOf([&] { wrapper.IpStringToAddress(text, family, out); }),
                  message);
        // No refusal leaves the earlier address behind.
        EXPECT_EQ(std::memcmp(&out, &zeroed, sizeof(out)), 0);
    }
}

TEST(LinuxNetworkingWrapperTest, ValidIpAddressesAreExactlyTheLiterals) {
    LinuxNetworkingWrapper wrapper;
    EXPECT_EQ(wrapper.GetAddressType("192.0.2.1"), AddressFamilyEnum::Ipv4);
    EXPECT_EQ(wrapper.GetAddressType("2001:db8::1"), AddressFamilyEnum::Ipv6);
    EXPECT_TRUE(wrapper.IsValidIpAddress("192.0.2.1"));
    EXPECT_TRUE(wrapper.IsValidIpAddress("::1"));
    EXPECT_FALSE(wrapper.IsValidIpAddress("localhost"));
    EXPECT_FALSE(wrapper.IsValidIpAddress("[::1]"));
    EXPECT_FALSE(wrapper.IsValidIpAddress(""));
}

}  // namespace
}  // namespace VekLibrary::Networking
