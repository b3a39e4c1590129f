#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "domain/Deadline.h"
#include "domain/Exceptions.h"
#include "domain/SteadyClock.h"
#include "fixtures/AddressInfoTestLists.h"
#include "mocks/MockLinuxNetworkingWrapper.h"
#include "mocks/MockLinuxNetworkingWrapperFactory.h"
#include "networking/DnsResolutionStrategyFactory.h"
#include "networking/Ipv6ToIpv4FallbackDnsResolutionStrategy.h"
#include "networking/LinuxNetworkingWrapper.h"
#include "networking/NetworkErrors.h"
#include "networking/NetworkingLibraryFactoryProvider.h"
#include "networking/UrlComponentsFactory.h"

namespace VekLibrary::Networking {
namespace {

using ::testing::_;
using ::testing::Return;
using ::testing::StrictMock;

constexpr int kNameFlags = AI_CANONNAME | AI_ADDRCONFIG;

// Every rule holds on both Resolve paths; the timed one must reach the wrapper's timed
// lookup with the caller's budget (the strict mock refuses the other overload).
enum class Path { Untimed, Timed };
constexpr Path kPaths[] = {Path::Untimed, Path::Timed};
constexpr std::int64_t kBudgetMs = 1234;

VekDomain::Deadline Budget() {
    return VekDomain::Deadline::After(std::make_shared<VekDomain::SteadyClock>(), kBudgetMs);
}

const char* NameOf(Path path) {
    return path == Path::Untimed ? "untimed" : "timed";
}

class FallbackWithMockResolver : public ::testing::Test {
protected:
    using Answer = std::function<AddressInfoList()>;

    std::shared_ptr<StrictMock<MockLinuxNetworkingWrapper>> wrapper =
        std::make_shared<StrictMock<MockLinuxNetworkingWrapper>>();
    Ipv6ToIpv4FallbackDnsResolutionStrategy strategy{wrapper};
    LinuxNetworkingWrapper real;

    // `host` is taken for `literalFamily` and looked up once on `path` with exactly these
    // arguments.
    void ExpectLookup(Path path, const std::string& host, AddressFamilyEnum literalFamily,
                      const std::string& service, AddressFamilyEnum family, SocketType type,
                      int flags, Answer answer) {
        EXPECT_CALL(*wrapper, GetAddressType(host)).WillOnce(Return(literalFamily));
        if (path == Path::Untimed) {
            EXPECT_CALL(*wrapper, GetAddressInfo(host, service, family, type, flags))
                .WillOnce([answer](auto&&...) { return answer(); });
        } else {
            EXPECT_CALL(*wrapper,
                        GetAddressInfo(
                            host, service, family, type, flags,
                            testing::Property(&VekDomain::Deadline::GivenMilliseconds, kBudgetMs)))
                .WillOnce([answer](auto&&...) { return answer(); });
        }
    }

    // The chosen address, or the text of what was thrown.
    std::string Outcome(Path path, const std::string& host, const std::string& service,
                        AddressFamilyEnum family, SocketType type = SocketType::Stream) {
        try {
            AddressInfoList list = path == Path::Untimed
                                       ? strategy.Resolve(host, service, family, type)
                                       : strategy.Resolve(host, service, family, type, Budget());
            return real.AddressAsString(list.GetCurrentNode());
        } catch (const XNameResolutionError& error) {
            return std::string("XNameResolutionError: ") + error.what();
        } catch (const XTestTimeout& error) {
            return std::string("XTestTimeout: ") + error.what();
        }
    }
};

// A list without a fitting node is freed on the way out; the sanitizer build checks
// that nothing leaks.
TEST_F(FallbackWithMockResolver, ChoosesByFamilyWithFallbackFromIpv6ToIpv4Only) {
    struct Case {
        const char* name;
        std::vector<VekTest::NodeDescription> nodes;
        AddressFamilyEnum requested;
        std::string outcome;
    };
    const std::vector<Case> cases = {
        {"ipv6 prefers the first ipv6 address in mixed order",
         {{AF_INET, "192.0.2.1"},
          {AF_INET, "192.0.2.2"},
          {AF_INET6, "2001:db8::1"},
          {AF_INET6, "2001:db8::2"}},
         AddressFamilyEnum::Ipv6,
         "2001:db8::1"},
        {"ipv6 falls back to the first ipv4 address",
         {{AF_INET, "192.0.2.1"}, {AF_INET, "192.0.2.2"}},
         AddressFamilyEnum::Ipv6,
         "192.0.2.1"},
        {"ipv4 picks the first ipv4 address after ipv6 ones",
         {{AF_INET6, "2001:db8::1"}, {AF_INET, "192.0.2.3"}, {AF_INET, "192.0.2.4"}},
         AddressFamilyEnum::Ipv4,
         "192.0.2.3"},
        {"unspecified keeps the resolver order",
         {{AF_INET6, "2001:db8::9"}, {AF_INET, "192.0.2.3"}},
         AddressFamilyEnum::Unspecified,
         "2001:db8::9"},
        {"ipv4 on an ipv6-only name fails",
         {{AF_INET6, "2001:db8::1"}, {AF_INET6, "2001:db8::2"}},
         AddressFamilyEnum::Ipv4,
         "XNameResolutionError: No IP address found for the hostname: host.test"},
    };
    for (const Path path : kPaths) {
        for (const Case& row : cases) {
            SCOPED_TRACE(std::string(NameOf(path)) + ": " + row.name);
            const std::vector<VekTest::NodeDescription> nodes = row.nodes;
            ExpectLookup(path, "host.test", AddressFamilyEnum::Unspecified, "22",
                         AddressFamilyEnum::Unspecified, SocketType::Stream, kNameFlags,
                         [nodes] { return VekTest::MakeAddressInfoList(nodes); });
            EXPECT_EQ(Outcome(path, "host.test", "22", row.requested), row.outcome);
            ::testing::Mock::VerifyAndClearExpectations(wrapper.get());
        }
    }
}

TEST_F(FallbackWithMockResolver, ResolverFailuresPassThroughUnchanged) {
    for (const Path path : kPaths) {
        SCOPED_TRACE(NameOf(path));
        ExpectLookup(path, "host.test", AddressFamilyEnum::Unspecified, "22",
                     AddressFamilyEnum::Unspecified, SocketType::Stream, kNameFlags,
                     []() -> AddressInfoList {
                         throw XNameResolutionError("Failed to resolve hostname: host.test. x");
                     });
        EXPECT_EQ(Outcome(path, "host.test", "22", AddressFamilyEnum::Ipv6),
                  "XNameResolutionError: Failed to resolve hostname: host.test. x");
    }
    // A timeout stays a timeout: it is not turned into a resolution failure.
    ExpectLookup(Path::Timed, "host.test", AddressFamilyEnum::Unspecified, "22",
                 AddressFamilyEnum::Unspecified, SocketType::Stream, kNameFlags,
                 []() -> AddressInfoList { throw XTestTimeout("late"); });
    EXPECT_EQ(Outcome(Path::Timed, "host.test", "22", AddressFamilyEnum::Ipv6),
              "XTestTimeout: A timeout occurred. Reason: late");
}

TEST_F(FallbackWithMockResolver, LiteralsKeepTheirFamilyAndSkipTheNameLookup) {
    struct Case {
        std::string literal;
        AddressFamilyEnum literalFamily;
        std::string service;
        AddressFamilyEnum requested;
        SocketType type;
        int flags;
    };
    const std::vector<Case> cases = {
        {"::1", AddressFamilyEnum::Ipv6, "2222", AddressFamilyEnum::Ipv4, SocketType::Datagram,
         AI_NUMERICHOST | AI_NUMERICSERV},
        {"127.0.0.1", AddressFamilyEnum::Ipv4, "", AddressFamilyEnum::Ipv6, SocketType::Stream,
         AI_NUMERICHOST},
    };
    for (const Path path : kPaths) {
        for (const Case& row : cases) {
            SCOPED_TRACE(std::string(NameOf(path)) + ": " + row.literal);
            const VekTest::NodeDescription node{
                row.literalFamily == AddressFamilyEnum::Ipv6 ? AF_INET6 : AF_INET,
                row.literal.c_str()};
            ExpectLookup(path, row.literal, row.literalFamily, row.service, row.literalFamily,
                         row.type, row.flags,
                         [node] { return VekTest::MakeAddressInfoList({node}); });
            EXPECT_EQ(Outcome(path, row.literal, row.service, row.requested, row.type),
                      row.literal);
            ::testing::Mock::VerifyAndClearExpectations(wrapper.get());
        }
    }
}

TEST_F(FallbackWithMockResolver, EmptyHostFailsBeforeAnyLookup) {
    for (const Path path : kPaths) {
        SCOPED_TRACE(NameOf(path));
        EXPECT_EQ(Outcome(path, "", "22", AddressFamilyEnum::Ipv6),
                  "XNameResolutionError: Hostname cannot be empty.");
    }
}

TEST(DnsResolutionStrategyTest, RefusesNullCollaborators) {
    try {
        Ipv6ToIpv4FallbackDnsResolutionStrategy strategy(nullptr);
        FAIL();
    } catch (const XBrokenInvariantsError& error) {
        EXPECT_STREQ(error.what(), "Linux networking wrapper cannot be null");
    }
    try {
        DnsResolutionStrategyFactory factory(nullptr);
        FAIL();
    } catch (const XBrokenInvariantsError& error) {
        EXPECT_STREQ(error.what(), "linuxNetworkingWrapperFactory must not be null.");
    }
}

TEST(DnsResolutionStrategyTest, FactoryMakesANewStrategyOverANewWrapperEachTime) {
    auto wrappers = std::make_shared<StrictMock<MockLinuxNetworkingWrapperFactory>>();
    auto first = std::make_shared<StrictMock<MockLinuxNetworkingWrapper>>();
    auto second = std::make_shared<StrictMock<MockLinuxNetworkingWrapper>>();
    EXPECT_CALL(*wrappers, Create(_))
        .WillOnce([&](std::shared_ptr<ILinuxNetworkingWrapper>& out) { out = first; })
        .WillOnce([&](std::shared_ptr<ILinuxNetworkingWrapper>& out) { out = second; });
    DnsResolutionStrategyFactory factory(wrappers);
    std::shared_ptr<IDnsResolutionStrategy> strategyA;
    std::shared_ptr<IDnsResolutionStrategy> strategyB;
    factory.Create(strategyA);
    factory.Create(strategyB);
    EXPECT_NE(strategyA, strategyB);

    EXPECT_CALL(*second, GetAddressType("h")).WillOnce([](auto&&) -> AddressFamilyEnum {
        throw XNameResolutionError("second wrapper used");
    });
    EXPECT_THROW(strategyB->Resolve("h", "", AddressFamilyEnum::Ipv4), XNameResolutionError);
}

// The real resolver: /etc/hosts maps localhost to 127.0.0.1; literals are never looked up.
TEST(DnsResolutionStrategyTest, ResolvesLocalhostAndLoopbackLiterals) {
    NetworkingLibraryFactoryProvider provider;
    std::shared_ptr<IDnsResolutionStrategy> strategy;
    provider.GetDnsResolutionStrategyFactory()->Create(strategy);
    LinuxNetworkingWrapper wrapper;

    for (const Path path : kPaths) {
        SCOPED_TRACE(NameOf(path));
        const auto resolve = [&](const std::string& host, const std::string& service,
                                 AddressFamilyEnum family) {
            return path == Path::Untimed
                       ? strategy->Resolve(host, service, family)
                       : strategy->Resolve(host, service, family, SocketType::Stream, Budget());
        };
        AddressInfoList ipv4 = resolve("localhost", "22", AddressFamilyEnum::Ipv4);
        EXPECT_EQ(wrapper.AddressAsString(ipv4.GetCurrentNode()), "127.0.0.1");
        EXPECT_EQ(
            ntohs(reinterpret_cast<const sockaddr_in*>(ipv4.GetCurrentNode()->ai_addr)->sin_port),
            22);

        AddressInfoList preferIpv6 = resolve("localhost", "22", AddressFamilyEnum::Ipv6);
        const std::string chosen = wrapper.AddressAsString(preferIpv6.GetCurrentNode());
        EXPECT_TRUE(chosen == "::1" || chosen == "127.0.0.1") << chosen;

        AddressInfoList ipv6Literal = resolve("::1", "2222", AddressFamilyEnum::Ipv4);
        EXPECT_EQ(ipv6Literal.GetCurrentNode()->ai_family, AF_INET6);
        EXPECT_EQ(wrapper.AddressAsString(ipv6Literal.GetCurrentNode()), "::1");

        AddressInfoList ipv4Literal = resolve("127.0.0.1", "", AddressFamilyEnum::Ipv6);
        EXPECT_EQ(wrapper.AddressAsString(ipv4Literal.GetCurrentNode()), "127.0.0.1");
    }
}

TEST(NetworkingLibraryFactoryProviderTest, HandsOutTheSameFactoriesEveryTime) {
    NetworkingLibraryFactoryProvider provider;
    EXPECT_EQ(provider.GetLinuxNetworkingWrapperFactory(),
              provider.GetLinuxNetworkingWrapperFactory());
    EXPECT_EQ(provider.GetDnsResolutionStrategyFactory(),
              provider.GetDnsResolutionStrategyFactory());
    EXPECT_EQ(provider.GetUrlComponentsFactory(), provider.GetUrlComponentsFactory());
    EXPECT_NE(dynamic_cast<UrlComponentsFactory*>(provider.GetUrlComponentsFactory().get()),
              nullptr);

    std::shared_ptr<ILinuxNetworkingWrapper> first;
    std::shared_ptr<ILinuxNetworkingWrapper> second;
    provider.GetLinuxNetworkingWrapperFactory()->Create(first);
    provider.GetLinuxNetworkingWrapperFactory()->Create(second);
    EXPECT_NE(dynamic_cast<LinuxNetworkingWrapper*>(first.get()), nullptr);
    EXPECT_NE(first, second);
}

}  // namespace
}  // namespace VekLibrary::Networking
