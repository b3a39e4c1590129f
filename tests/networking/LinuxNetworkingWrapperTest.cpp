#include "networking/LinuxNetworkingWrapper.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "domain/Deadline.h"
#include "domain/Exceptions.h"
#include "domain/SteadyClock.h"
#include "fixtures/AddressInfoTestLists.h"
#include "fixtures/PrivateResolver.h"
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

// The success or the failure of a lookup as text: the distinct nodes' address, port
// and socket type in sorted order, or what was thrown. Distinct: with Debian's "multi
// on", an IPv4 lookup of localhost gives 127.0.0.1 once per hosts line naming it.
std::string Outcome(const std::function<AddressInfoList()>& lookup) {
    try {
        AddressInfoList list = lookup();
        std::set<std::string> nodes;
        for (const addrinfo* node = list.GetCurrentNode(); node != nullptr; node = list.Next()) {
            const in_port_t port =
                node->ai_family == AF_INET6
                    ? reinterpret_cast<const sockaddr_in6*>(node->ai_addr)->sin6_port
                    : reinterpret_cast<const sockaddr_in*>(node->ai_addr)->sin_port;
            nodes.insert(LinuxNetworkingWrapper().AddressAsString(node) + " port " +
                         std::to_string(ntohs(port)) + " type " +
                         std::to_string(node->ai_socktype));
        }
        std::string text;
        for (const std::string& node : nodes) {
            text += (text.empty() ? "" : " ") + node;
        }
        return text;
    } catch (const XNameResolutionError& error) {
        return error.what();
    } catch (const XTestTimeout& error) {
        return error.what();
    }
}

VekDomain::Deadline After(std::int64_t milliseconds) {
    return VekDomain::Deadline::After(std::make_shared<VekDomain::SteadyClock>(), milliseconds);
}

// Both overloads on the real resolver: /etc/hosts maps localhost to 127.0.0.1, an empty
// service is port 0.
TEST(LinuxNetworkingWrapperTest, TimedLookupResolvesAndFailsLikeTheUntimedOne) {
    struct Case {
        std::string host;
        std::string service;
        AddressFamilyEnum family;
        int flags;
        std::string outcome;
    };
    const std::string failed = "Failed to resolve hostname: ";
    const std::vector<Case> cases = {
        {"localhost", "", AddressFamilyEnum::Ipv4, 0, "127.0.0.1 port 0 type 1"},
        {"127.0.0.1", "22", AddressFamilyEnum::Unspecified, AI_NUMERICHOST,
         "127.0.0.1 port 22 type 1"},
        {"::1", "2222", AddressFamilyEnum::Unspecified, AI_NUMERICHOST, "::1 port 2222 type 1"},
        {"not-a-literal", "22", AddressFamilyEnum::Unspecified, AI_NUMERICHOST,
         failed + "not-a-literal. getaddrinfo() returned: " + ::gai_strerror(EAI_NONAME)},
        // The resolver would stop at the NUL and look up "127.0.0.1" instead. The refusal
        // names the host as given, so what() ends at the same NUL.
        {std::string("127.0.0.1\0.example", 18), "22", AddressFamilyEnum::Unspecified, 0,
         failed + "127.0.0.1"},
        {"127.0.0.1", std::string("22\0x", 4), AddressFamilyEnum::Unspecified, AI_NUMERICHOST,
         failed + "127.0.0.1. getaddrinfo() returned: " + ::gai_strerror(EAI_NONAME)},
    };
    LinuxNetworkingWrapper wrapper;
    for (const Case& row : cases) {
        SCOPED_TRACE(row.host);
        EXPECT_EQ(Outcome([&] {
                      return wrapper.GetAddressInfo(row.host, row.service, row.family,
                                                    SocketType::Stream, row.flags);
                  }),
                  row.outcome);
        EXPECT_EQ(Outcome([&] {
                      return wrapper.GetAddressInfo(row.host, row.service, row.family,
                                                    SocketType::Stream, row.flags, After(2000));
                  }),
                  row.outcome);
    }
}

TEST(LinuxNetworkingWrapperTest, TimedLookupRefusesAnInvalidTimeout) {
    const std::vector<std::pair<std::int64_t, std::string>> refused = {
        {-1, "-1"},
        {0, "0"},
    };
    for (const auto& [timeout, shown] : refused) {
        EXPECT_EQ(BrokenInvariantOf([&timeout = timeout] {
                      LinuxNetworkingWrapper().GetAddressInfo(
                          "127.0.0.1", "22", AddressFamilyEnum::Unspecified, SocketType::Stream,
                          AI_NUMERICHOST, After(timeout));
                  }),
                  "Invalid timeout provided to GetAddressInfo: " + shown);
    }
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t begin = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', begin)) {
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    lines.push_back(text.substr(begin));
    return lines;
}

// A name that is not in /etc/hosts, looked up in a private network namespace with
// loopback down: every path fails at once with the resolver's own text.
TEST(LinuxNetworkingWrapperTest, UnresolvableNameInAPrivateNetworkNamespace) {
    const std::string name = "vek-unresolvable-host.invalid";
    const std::string report = VekTest::RunInPrivateNetwork(
        [&] {
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_flags = AI_CANONNAME | AI_ADDRCONFIG;
            addrinfo* direct = nullptr;
            const int result = ::getaddrinfo(name.c_str(), "22", &hints, &direct);
            if (direct != nullptr) {
                ::freeaddrinfo(direct);
            }
            if (result == 0) {
                return std::string("resolved although isolated");
            }
            auto wrapper = std::make_shared<LinuxNetworkingWrapper>();
            Ipv6ToIpv4FallbackDnsResolutionStrategy strategy(wrapper);
            return "Failed to resolve hostname: " + name +
                   ". getaddrinfo() returned: " + ::gai_strerror(result) + "\n" + Outcome([&] {
                       return wrapper->GetAddressInfo(name, "22", AddressFamilyEnum::Unspecified,
                                                      SocketType::Stream,
                                                      AI_CANONNAME | AI_ADDRCONFIG);
                   }) +
                   "\n" + Outcome([&] {
                       return wrapper->GetAddressInfo(name, "22", AddressFamilyEnum::Unspecified,
                                                      SocketType::Stream,
                                                      AI_CANONNAME | AI_ADDRCONFIG, After(2000));
                   }) +
                   "\n" +
                   Outcome([&] { return strategy.Resolve(name, "22", AddressFamilyEnum::Ipv6); }) +
                   "\n" + Outcome([&] {
                       return strategy.Resolve(name, "22", AddressFamilyEnum::Ipv6,
                                               SocketType::Stream, After(2000));
                   });
        },
        std::chrono::seconds(20));
    if (report.rfind(VekTest::kIsolationRefused, 0) == 0) {
        GTEST_SKIP() << report;
    }
    const std::vector<std::string> lines = Lines(report);
    ASSERT_EQ(lines.size(), 5u) << report;
    EXPECT_EQ(
        lines[0].rfind("Failed to resolve hostname: " + name + ". getaddrinfo() returned: ", 0), 0u)
        << report;
    for (size_t index = 1; index < lines.size(); ++index) {
        EXPECT_EQ(lines[index], lines[0]) << "path " << index;
    }
}

// A resolver that never answers: the timed paths give up at their budget with
// XTestTimeout, while /etc/hosts names still resolve through the same machinery.
TEST(LinuxNetworkingWrapperTest, SilentResolverEndsInATimeoutAtTheBudget) {
    const std::string report = VekTest::RunWithSilentResolver(
        [] {
            auto wrapper = std::make_shared<LinuxNetworkingWrapper>();
            Ipv6ToIpv4FallbackDnsResolutionStrategy strategy(wrapper);
            const auto timed = [](const std::function<AddressInfoList()>& lookup) {
                const auto start = std::chrono::steady_clock::now();
                const std::string outcome = Outcome(lookup);
                const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - start);
                return outcome + "\n" + std::to_string(spent.count());
            };
            return Outcome([&] {
                       return wrapper->GetAddressInfo("localhost", "22", AddressFamilyEnum::Ipv4,
                                                      SocketType::Stream, 0, After(300));
                   }) +
                   "\n" + timed([&] {
                       return wrapper->GetAddressInfo(
                           VekTest::kSilentHostName, "22", AddressFamilyEnum::Unspecified,
                           SocketType::Stream, AI_CANONNAME | AI_ADDRCONFIG, After(300));
                   }) +
                   "\n" + timed([&] {
                       return strategy.Resolve(VekTest::kSilentHostName, "22",
                                               AddressFamilyEnum::Ipv6, SocketType::Stream,
                                               After(300));
                   });
        },
        std::chrono::seconds(20));
    if (report.rfind(VekTest::kIsolationRefused, 0) == 0) {
        GTEST_SKIP() << report;
    }
    const std::vector<std::string> lines = Lines(report);
    ASSERT_EQ(lines.size(), 5u) << report;
    EXPECT_EQ(lines[0], "127.0.0.1 port 22 type 1");
    for (const size_t index : {size_t{1}, size_t{3}}) {
        EXPECT_EQ(lines[index],
                  "A timeout occurred. Reason: Name resolution did not finish within 300 ms.");
        const long spent = std::stol(lines[index + 1]);
        EXPECT_GE(spent, 300);
        EXPECT_LE(spent, 300 + 200);
    }
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
    for (const auto& [refusedText, refusedFamily, message] : refused) {
        SCOPED_TRACE(message);
        // C++17 lambdas cannot capture structured bindings.
        const std::string& text = refusedText;
        const AddressFamilyEnum family = refusedFamily;
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
