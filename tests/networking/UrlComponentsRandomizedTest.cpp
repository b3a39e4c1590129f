#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "domain/Exceptions.h"
#include "networking/UrlComponents.h"
#include "networking/UrlComponentsFactory.h"

namespace VekLibrary::Networking {
namespace {

// Random texts made of the URL grammar's separators and typical pieces: each is
// either accepted or refused with XBrokenInvariantsError, and an accepted URL's
// recomposed text splits again into the same components.
TEST(UrlComponentsRandomizedTest, EveryInputIsRefusedCleanlyOrRoundTrips) {
    const std::vector<std::string> tokens = {"a",        "h",     "0",
                                             "22",       "1",     ":",
                                             "/",        "?",     "#",
                                             "@",        "[",     "]",
                                             "::1",      "://",   "qo-ssh",
                                             ".",        " ",     "_",
                                             "1.2",      "%",     "127.0.0.1",
                                             "ff",       "::",    "2001:db8",
                                             "+",        "-",     std::string(1, '\0'),
                                             "\xc3\xa9", "65536", "u:p@",
                                             "[::1]",    "//"};
    std::mt19937 random(424242u);
    UrlComponentsFactory factory;
    int accepted = 0;
    for (int round = 0; round < 40000; ++round) {
        std::string input;
        const int count = static_cast<int>(random() % 9);
        for (int i = 0; i < count; ++i) {
            input += tokens[random() % tokens.size()];
        }
        std::unique_ptr<UrlComponents> first;
        try {
            factory.Create(input, first);
        } catch (const XBrokenInvariantsError&) {
            ASSERT_EQ(first, nullptr);
            continue;
        }
        ++accepted;
        ASSERT_NE(first, nullptr);
        std::unique_ptr<UrlComponents> second;
        try {
            factory.Create(first->GetUrl(), second);
        } catch (const XBrokenInvariantsError& error) {
            FAIL() << "input [" << input << "] recomposed [" << first->GetUrl()
                   << "] refused: " << error.what();
        }
        ASSERT_TRUE(*second == *first) << "input [" << input << "] recomposed [" << first->GetUrl()
                                       << "] reparsed [" << second->GetUrl() << "]";
    }
    // The generator must reach the accepting paths, not only the refusals.
    EXPECT_GT(accepted, 2000);
}

}  // namespace
}  // namespace VekLibrary::Networking
