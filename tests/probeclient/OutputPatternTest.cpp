// Regular expressions over captured output: the two dialects, and time linear in
// the output whatever the pattern.

#include <chrono>
#include <iostream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "probeclient/OutputPattern.h"

namespace {

using VekProbeClient::OutputPattern;
using Syntax = OutputPattern::SyntaxEnum;

TEST(OutputPatternTest, BothDialects) {
    const struct {
        std::string pattern;
        Syntax syntax;
        std::string text;
        bool found;
    } cases[] = {
        // POSIX syntax: ^ and $ at every line end, as check_vek's -e documents.
        {"^load$", Syntax::Posix, "up 3 days\nload\nend", true},
        {"^up [0-9]+ days$", Syntax::Posix, "x\nup 3 days\n", true},
        {"^load", Syntax::Posix, "no load\n", false},
        {"[[:digit:]]{2}", Syntax::Posix, "a 42 b", true},
        // RE2's own syntax: ^ and $ at the ends of the text only, Perl classes.
        {"^load$", Syntax::Re2, "up\nload\nend", false},
        {"\\d+ days", Syntax::Re2, "up 3 days", true},
        {"(?m)^load$", Syntax::Re2, "up\nload\nend", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OutputPattern(c.pattern, c.syntax).Found(c.text), c.found) << c.pattern;
    }
    EXPECT_THROW(OutputPattern("\\d", Syntax::Posix), std::invalid_argument);
    EXPECT_THROW(OutputPattern("a(", Syntax::Re2), std::invalid_argument);
    const OutputPattern group("load: ([0-9.]+)|(none)", Syntax::Re2);
    EXPECT_EQ(group.CaptureGroups(), 2);
    EXPECT_EQ(group.FirstGroup("x load: 1.5 load: 2"), "1.5");
    EXPECT_EQ(group.FirstGroup("none"), std::nullopt) << "the first group took no part";
    EXPECT_EQ(group.FirstGroup("nothing"), std::nullopt);
}

TEST(OutputPatternTest, PathologicalPatternsOnFiveMegabytesEndInMilliseconds) {
    const std::string line(5 * 1000 * 1000, 'a');
    std::string commas;
    for (std::size_t at = 0; commas.size() < line.size(); ++at) {
        commas += "a,";
    }
    const struct {
        std::string pattern;
        const std::string* text;
    } cases[] = {{"(a*)*b", &line}, {"(.*,){20}x", &commas}, {"(a|aa)*c", &line}};
    for (const Syntax syntax : {Syntax::Re2, Syntax::Posix}) {
        for (const auto& c : cases) {
            const OutputPattern pattern(c.pattern, syntax);
            const auto start = std::chrono::steady_clock::now();
            EXPECT_FALSE(pattern.Found(*c.text));
            EXPECT_FALSE(pattern.FirstGroup(*c.text));
            const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start);
            std::cout << c.pattern << " on " << c.text->size() << " bytes: " << took.count()
                      << " ms\n";
            // Linear time takes milliseconds; a backtracking matcher takes years.
            EXPECT_LT(took, std::chrono::seconds(2)) << c.pattern;
        }
    }
}

}  // namespace
