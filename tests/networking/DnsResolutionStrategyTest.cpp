#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "domain/Exceptions.h"
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

class FallbackWithMockResolver : public ::testing::Test {
protected:
    std::shared_ptr<StrictMock<MockLinuxNetworkingWrapper>> wrapper =
        std::make_shared<StrictMock<MockLinuxNetworkingWrapper>>();
    Ipv6ToIpv4FallbackDnsResolutionStrategy strategy{wrapper};
    LinuxNetworkingWrapper real;

    // The name "host.test" resolves to `nodes` in this order.
    void NameResolvesTo(const std::vector<VekTest::NodeDescription>& nodes) {
        EXPECT_CALL(*wrapper, GetAddressType("host.test"))
            .WillOnce(Return(AddressFamilyEnum::Unspecified));
        EXPECT_CALL(*wrapper, GetAddressInfo("host.test", "22", AddressFamilyEnum::Unspecified,
                                             SocketType::Stream, kNameFlags))
            .WillOnce([nodes](auto&&...) { return VekTest::MakeAddressInfoList(nodes); });
    }

    std::string Chosen(AddressFamilyEnum family) {
        AddressInfoList list = strategy.Resolve("host.test", "22", family);
        return real.AddressAsString(list.GetCurrentNode());
    }

    std::string Failure(AddressFamilyEnum family) {
        try {
            strategy.Resolve("host.test", "22", family);
        } catch (const XNameResolutionError& error) {
            return error.what();
        }
        return "<no exception>";
    }
};

TEST_F(FallbackWithMockResolver, Ipv6RequestPrefersTheFirstIpv6AddressInMixedOrder) {
    NameResolvesTo({{AF_INET, "192.0.2.1"},
                    {AF_INET, "192.0.2.2"},
                    {AF_INET6, "2001:db8::1"},
                    {AF_INET6, "2001:db8::2"}});
    EXPECT_EQ(Chosen(AddressFamilyEnum::Ipv6), "2001:db8::1");
}

TEST_F(FallbackWithMockResolver, Ipv6RequestFallsBackToTheFirstIpv4Address) {
    NameResolvesTo({{AF_INET, "192.0.2.1"}, {AF_INET, "192.0.2.2"}});
    EXPECT_EQ(Chosen(AddressFamilyEnum::Ipv6), "192.0.2.1");
}

TEST_F(FallbackWithMockResolver, Ipv4RequestPicksTheFirstIpv4AddressAfterIpv6Ones) {
    NameResolvesTo({{AF_INET6, "2001:db8::1"}, {AF_INET, "192.0.2.3"}, {AF_INET, "192.0.2.4"}});
    EXPECT_EQ(Chosen(AddressFamilyEnum::Ipv4), "192.0.2.3");
}

TEST_F(FallbackWithMockResolver, UnspecifiedRequestKeepsTheResolverOrder) {
    NameResolvesTo({{AF_INET6, "2001:db8::9"}, {AF_INET, "192.0.2.3"}});
    EXPECT_EQ(Chosen(AddressFamilyEnum::Unspecified), "2001:db8::9");
}

// The list is freed when no node fits; the sanitizer build checks that nothing leaks.
TEST_F(FallbackWithMockResolver, Ipv4RequestOnAnIpv6OnlyNameFails) {
    NameResolvesTo({{AF_INET6, "2001:db8::1"}, {AF_INET6, "2001:db8::2"}});
    EXPECT_EQ(Failure(AddressFamilyEnum::Ipv4), "No IP address found for the hostname: host.test");
}

TEST_F(FallbackWithMockResolver, ResolverFailurePassesThrough) {
    EXPECT_CALL(*wrapper, GetAddressType("host.test"))
        .WillOnce(Return(AddressFamilyEnum::Unspecified));
    EXPECT_CALL(*wrapper, GetAddressInfo(_, _, _, _, _)).WillOnce([](auto&&...) -> AddressInfoList {
        throw XNameResolutionError("Failed to resolve hostname: host.test. x");
    });
    EXPECT_EQ(Failure(AddressFamilyEnum::Ipv6), "Failed to resolve hostname: host.test. x");
}

TEST_F(FallbackWithMockResolver, LiteralsKeepTheirFamilyAndSkipTheNameLookup) {
    EXPECT_CALL(*wrapper, GetAddressType("::1")).WillOnce(Return(AddressFamilyEnum::Ipv6));
    EXPECT_CALL(*wrapper, GetAddressInfo("::1", "2222", AddressFamilyEnum::Ipv6,
                                         SocketType::Datagram, AI_NUMERICHOST | AI_NUMERICSERV))
        .WillOnce([](auto&&...) {
            return VekTest::MakeAddressInfoList({{AF_INET6, "::1"}});
        });
    AddressInfoList list =
        strategy.Resolve("::1", "2222", AddressFamilyEnum::Ipv4, SocketType::Datagram);
    EXPECT_EQ(real.AddressAsString(list.GetCurrentNode()), "::1");

    EXPECT_CALL(*wrapper, GetAddressType("127.0.0.1")).WillOnce(Return(AddressFamilyEnum::Ipv4));
    EXPECT_CALL(*wrapper, GetAddressInfo("127.0.0.1", "", AddressFamilyEnum::Ipv4,
                                         SocketType::Stream, AI_NUMERICHOST))
        .WillOnce([](auto&&...) {
            return VekTest::MakeAddressInfoList({{AF_INET, "127.0.0.1"}});
        });
    AddressInfoList ipv4 = strategy.Resolve("127.0.0.1", "", AddressFamilyEnum::Ipv6);
    EXPECT_EQ(real.AddressAsString(ipv4.GetCurrentNode()), "127.0.0.1");
}

TEST_F(FallbackWithMockResolver, EmptyHostFailsBeforeAnyLookup) {
    try {
        strategy.Resolve("", "22", AddressFamilyEnum::Ipv6);
        FAIL();
    } catch (const XNameResolutionError& error) {
        EXPECT_STREQ(error.what(), "Hostname cannot be empty.");
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

    AddressInfoList ipv4 = strategy->Resolve("localhost", "22", AddressFamilyEnum::Ipv4);
    EXPECT_EQ(wrapper.AddressAsString(ipv4.GetCurrentNode()), "127.0.0.1");
    EXPECT_EQ(ntohs(reinterpret_cast<const sockaddr_in*>(ipv4.GetCurrentNode()->ai_addr)->sin_port),
              22);

    AddressInfoList preferIpv6 = strategy->Resolve("localhost", "22", AddressFamilyEnum::Ipv6);
    const std::string chosen = wrapper.AddressAsString(preferIpv6.GetCurrentNode());
    EXPECT_TRUE(chosen == "::1" || chosen == "127.0.0.1") << chosen;

    AddressInfoList ipv6Literal = strategy->Resolve("::1", "2222", AddressFamilyEnum::Ipv4);
    EXPECT_EQ(ipv6Literal.GetCurrentNode()->ai_family, AF_INET6);
    EXPECT_EQ(wrapper.AddressAsString(ipv6Literal.GetCurrentNode()), "::1");

    AddressInfoList ipv4Literal = strategy->Resolve("127.0.0.1", "", AddressFamilyEnum::Ipv6);
    EXPECT_EQ(wrapper.AddressAsString(ipv4Literal.GetCurrentNode()), "127.0.0.1");
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
