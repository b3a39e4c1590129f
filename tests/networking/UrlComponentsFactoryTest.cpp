#include "networking/UrlComponentsFactory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "domain/Exceptions.h"
#include "networking/EnsureValidPortNumber.h"
#include "networking/NetworkingHelpers.h"
#include "networking/UrlComponents.h"

namespace VekLibrary::Networking {
namespace {

constexpr char kPortPrefix[] = "UrlComponents: Port must be a number between 1 and 65'535. ";

struct Accepted {
    std::string input;
    UrlComponentValues values;  // as stored: normalised port, host without brackets
    int portNumber;
    AddressFamilyEnum family;
    std::string normalizedHost;
    std::string url;
};

const AddressFamilyEnum kName = AddressFamilyEnum::Unspecified;
const AddressFamilyEnum kIpv4 = AddressFamilyEnum::Ipv4;
const AddressFamilyEnum kIpv6 = AddressFamilyEnum::Ipv6;

std::vector<Accepted> AcceptedUrls() {
    // values: scheme, host, port, path, user, password, query, fragment
    return {
        {"example-host",
         {"", "example-host", "", "", "", "", "", ""},
         0,
         kName,
         "example-host",
         "example-host"},
        {"qo-ssh://example-host:22",
         {"qo-ssh", "example-host", "22", "", "", "", "", ""},
         22,
         kName,
         "example-host",
         "qo-ssh://example-host:22"},
        {"example-host:0022",
         {"", "example-host", "22", "", "", "", "", ""},
         22,
         kName,
         "example-host",
         "example-host:22"},
        {"example-host:",
         {"", "example-host", "", "", "", "", "", ""},
         0,
         kName,
         "example-host",
         "example-host"},
        {"h:65535", {"", "h", "65535", "", "", "", "", ""}, 65535, kName, "h", "h:65535"},
        {"h:1", {"", "h", "1", "", "", "", "", ""}, 1, kName, "h", "h:1"},
        {"[::1]:2222", {"", "::1", "2222", "", "", "", "", ""}, 2222, kIpv6, "[::1]", "[::1]:2222"},
        {"[::1]:", {"", "::1", "", "", "", "", "", ""}, 0, kIpv6, "[::1]", "[::1]"},
        {"::1", {"", "::1", "", "", "", "", "", ""}, 0, kIpv6, "[::1]", "[::1]"},
        {"2001:db8::1:22",
         {"", "2001:db8::1:22", "", "", "", "", "", ""},
         0,
         kIpv6,
         "[2001:db8::1:22]",
         "[2001:db8::1:22]"},
        {"192.0.2.1:80",
         {"", "192.0.2.1", "80", "", "", "", "", ""},
         80,
         kIpv4,
         "192.0.2.1",
         "192.0.2.1:80"},
        {"user:pa:ss@host",
         {"", "host", "", "", "user", "pa:ss", "", ""},
         0,
         kName,
         "host",
         "user:pa:ss@host"},
        {"a@b@host:7", {"", "host", "7", "", "a@b", "", "", ""}, 7, kName, "host", "a@b@host:7"},
        {"u:@host", {"", "host", "", "", "u", "", "", ""}, 0, kName, "host", "u@host"},
        {":@host", {"", "host", "", "", "", "", "", ""}, 0, kName, "host", "host"},
        {"host/path/x?q=1&r#frag?#",
         {"", "host", "", "/path/x", "", "", "q=1&r", "frag?#"},
         0,
         kName,
         "host",
         "host/path/x?q=1&r#frag?#"},
        {"host/", {"", "host", "", "/", "", "", "", ""}, 0, kName, "host", "host/"},
        {"h?", {"", "h", "", "", "", "", "", ""}, 0, kName, "h", "h"},
        {"://host", {"", "host", "", "", "", "", "", ""}, 0, kName, "host", "host"},
        {"S+1.-x://h", {"S+1.-x", "h", "", "", "", "", "", ""}, 0, kName, "h", "S+1.-x://h"},
        {"s://u:p@[fe80::1]:1/p?q#f",
         {"s", "fe80::1", "1", "/p", "u", "p", "q", "f"},
         1,
         kIpv6,
         "[fe80::1]",
         "s://u:p@[fe80::1]:1/p?q#f"},
        {"s://h/a://b", {"s", "h", "", "/a://b", "", "", "", ""}, 0, kName, "h", "s://h/a://b"},
    };
}

struct Refused {
    std::string input;
    std::string message;
};

std::vector<Refused> RefusedUrls() {
    const std::string P = kPortPrefix;
    return {
        {"", "URL string is empty."},
        {"#" + std::string(65536, 'a'),
         "URL string exceeds default maximum length of 65536 characters."},
        {"qo-ssh://", "No hostname. Invalid URL: qo-ssh://"},
        {"://", "No hostname. Invalid URL: ://"},
        {"#frag", "Url starts with query or fragment. No hostname present."},
        {"?q", "Url starts with query or fragment. No hostname present."},
        {"s://?q#f", "Url starts with query or fragment. No hostname present."},
        {"/path", "Host and port string is empty."},
        {"s:///path", "Host and port string is empty."},
        {"@host", "Url contains empty userinfo details. No username present."},
        {"user@", "Url ends after userinfo details. No hostname present."},
        {"user@/p", "Url ends after userinfo details. No hostname present."},
        {"[::1",
         "Ipv6 hostname must be enclosed within square-brackets([<host>]). Invalid url "
         "provided:[::1"},
        {"[::1]x",
         "Bracketed IPv6 hostname can only be followed by port. Invalid url provided:[::1]x"},
        {"a:b:c", "Host is supposed to be an IPv6 literal but it's not. host: a:b:c"},
        {"[1.2.3.4]", "Host is supposed to be an IPv6 literal but it's not. host: [1.2.3.4]"},
        {"h]", "Host is supposed to be an IPv6 literal but it's not. host: h]"},
        {"[]", "Bracketed IPv6 host is malformed: []"},
        {":p@host", "Password cannot be supplied without username."},
        {":p@host:x", "Password cannot be supplied without username."},
        {"h:0", P + "Port number out of range. Provided: 0"},
        {"h:000", P + "Port number out of range. Provided: 000"},
        {"h:65536", P + "Port number out of range. Provided: 65536"},
        {"h:2a", P + "Port contains non-digit characters. Value: (2a)"},
        {"h:-1", P + "Port contains non-digit characters. Value: (-1)"},
        {"h: 22", P + "Port contains non-digit characters. Value: ( 22)"},
        {"h:99999999999999999999", P + "stoul Provided port: 99999999999999999999"},
        {"1http://h", "Scheme must start with an alphabetic character: 1http"},
        {"1x://:22", "Scheme must start with an alphabetic character: 1x"},
        {"qo_ssh://h", "Scheme contains invalid characters: qo_ssh"},
        {"h?a://b", "Scheme contains invalid characters: h?a"},
        {":22", "Host cannot be empty."},
        {"u@:22", "Host cannot be empty."},
        // Read again, "h?a://b" would take "h?a" for a scheme.
        {"://h?a://b", "Url without a scheme cannot contain \"://\". Invalid url: h?a://b"},
    };
}

TEST(UrlComponentsFactoryTest, SplitsAndNormalisesAcceptedUrls) {
    UrlComponentsFactory factory;
    for (const Accepted& expected : AcceptedUrls()) {
        SCOPED_TRACE(expected.input);
        std::unique_ptr<UrlComponents> url;
        ASSERT_NO_THROW(factory.Create(expected.input, url));
        ASSERT_NE(url, nullptr);
        EXPECT_EQ(url->GetScheme(), expected.values.scheme);
        EXPECT_EQ(url->GetHost(), expected.values.host);
        EXPECT_EQ(url->GetPortAsString(), expected.values.port);
        EXPECT_EQ(url->GetAbsolutePath(), expected.values.absolutePath);
        EXPECT_EQ(url->GetUsername(), expected.values.username);
        EXPECT_EQ(url->GetPassword(), expected.values.password);
        EXPECT_EQ(url->GetQuery(), expected.values.query);
        EXPECT_EQ(url->GetFragment(), expected.values.fragment);
        EXPECT_TRUE(url->GetComponentValues() == expected.values);
        EXPECT_EQ(url->GetPortAsNumber(), expected.portNumber);
        EXPECT_EQ(url->GetAddressFamily(), expected.family);
        EXPECT_EQ(url->GetNormalizedHost(), expected.normalizedHost);
        EXPECT_EQ(url->GetUrl(), expected.url);
    }
}

TEST(UrlComponentsFactoryTest, RefusesInvalidUrlsAndKeepsThePreviousResult) {
    UrlComponentsFactory factory;
    for (const Refused& refused : RefusedUrls()) {
        SCOPED_TRACE(refused.input.substr(0, 40));
        std::unique_ptr<UrlComponents> url = std::make_unique<UrlComponents>("previous");
        const UrlComponents* before = url.get();
        try {
            factory.Create(refused.input, url);
            ADD_FAILURE() << "accepted";
        } catch (const XBrokenInvariantsError& error) {
            EXPECT_EQ(error.what(), refused.message);
        }
        EXPECT_EQ(url.get(), before);
    }
}

TEST(UrlComponentsFactoryTest, AcceptsExactlyTheMaximumLength) {
    UrlComponentsFactory factory;
    std::string longest = "h/" + std::string(UrlComponentsFactory::kMaxUrlLength - 2, 'p');
    std::unique_ptr<UrlComponents> url;
    factory.Create(longest, url);
    EXPECT_EQ(url->GetUrl(), longest);
    EXPECT_THROW(factory.Create(longest + "p", url), XBrokenInvariantsError);
}

TEST(UrlComponentsTest, ShortConstructorsValidateLikeTheFactory) {
    EXPECT_EQ(UrlComponents("h").GetUrl(), "h");
    const UrlComponents withPort("qo-ssh", "::1", "0022");
    EXPECT_EQ(withPort.GetUrl(), "qo-ssh://[::1]:22");
    EXPECT_EQ(withPort.GetPortAsNumber(), 22);
    const UrlComponents withPath("", "h", "", "relative/path");
    EXPECT_EQ(withPath.GetAbsolutePath(), "/relative/path");
    EXPECT_EQ(withPath.GetUrl(), "h/relative/path");
    EXPECT_THROW(UrlComponents(""), XBrokenInvariantsError);
    EXPECT_THROW(UrlComponents("s", "h", "70000"), XBrokenInvariantsError);
    EXPECT_THROW(UrlComponents(UrlComponentValues{"", "h", "", "", "", "pw", "", ""}),
                 XBrokenInvariantsError);

    std::unique_ptr<UrlComponents> parsed;
    UrlComponentsFactory().Create("qo-ssh://[::1]:0022", parsed);
    EXPECT_TRUE(*parsed == withPort);
    EXPECT_FALSE(*parsed != withPort);
    EXPECT_TRUE(UrlComponents("s", "h", "1") != UrlComponents("s", "h", "2"));
    EXPECT_TRUE(UrlComponents("s", "h", "1", "/a") != UrlComponents("s", "h", "1", "/b"));
}

TEST(EnsureValidPortNumberTest, RefusesEmptyAndInvalidPorts) {
    const std::string P = kPortPrefix;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "UrlComponents: Port cannot be empty."},
        {"0", P + "Port number out of range. Provided: 0"},
        {"65536", P + "Port number out of range. Provided: 65536"},
        {"2x", P + "Port contains non-digit characters. Value: (2x)"},
        {"+22", P + "Port contains non-digit characters. Value: (+22)"},
        {"18446744073709551616", P + "stoul Provided port: 18446744073709551616"},
    };
    for (const auto& [port, message] : cases) {
        try {
            EnsureValidPortNumber(port);
            ADD_FAILURE() << "accepted " << port;
        } catch (const XBrokenInvariantsError& error) {
            EXPECT_EQ(error.what(), message);
        }
    }
    EXPECT_NO_THROW(EnsureValidPortNumber("22"));
    EXPECT_NO_THROW(EnsureValidPortNumber("00065535"));
}

TEST(NetworkingHelpersTest, ClassifiesLiterals) {
    const std::vector<std::pair<std::string, AddressFamilyEnum>> cases = {
        {"127.0.0.1", kIpv4},
        {"::1", kIpv6},
        {"::ffff:192.0.2.1", kIpv6},
        {"2001:db8::", kIpv6},
        {"[::1]", kName},
        {"localhost", kName},
        {"", kName},
        {"1.2.3", kName},
        {"256.0.0.1", kName},
        {"fe80::1%lo", kName},
        {std::string("127.0.0.1\0.evil", 15), kName},
        {std::string("::1\0", 4), kName},
    };
    for (const auto& [text, family] : cases) {
        EXPECT_EQ(NetworkingHelpers::GetAddressType(text), family) << text;
    }
}

}  // namespace
}  // namespace VekLibrary::Networking
