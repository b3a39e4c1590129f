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
    // POSIX syntax: ^ and $ at every line end; RE2's: at the ends of the text unless (?m).
    EXPECT_TRUE(OutputPattern("^load$", Syntax::Posix).Found("up\nload\nend"));
    EXPECT_FALSE(OutputPattern("^load$", Syntax::Re2).Found("up\nload\nend"));
    EXPECT_TRUE(OutputPattern("(?m)^load$", Syntax::Re2).Found("up\nload\nend"));
    EXPECT_THROW(OutputPattern("\\d", Syntax::Posix), std::invalid_argument);
    const OutputPattern group("load: ([0-9.]+)|(none)", Syntax::Re2);
    EXPECT_EQ(group.CaptureGroups(), 2);
    EXPECT_EQ(group.FirstGroup("x load: 1.5 load: 2"), "1.5");
    EXPECT_EQ(group.FirstGroup("none"), std::nullopt) << "the first group took no part";
}

TEST(OutputPatternTest, PathologicalPatternsOnFiveMegabytesEndInMilliseconds) {
    const std::string line(5 * 1000 * 1000, 'a');
    std::string commas;
    while (commas.size() < line.size()) {
        commas += "a,";
    }
    const std::pair<std::string, const std::string*> cases[] = {
        {"(a*)*b", &line}, {"(.*,){20}x", &commas}, {"(a|aa)*c", &line}};
    for (const Syntax syntax : {Syntax::Re2, Syntax::Posix}) {
        for (const auto& [text, output] : cases) {
            const OutputPattern pattern(text, syntax);
            const auto start = std::chrono::steady_clock::now();
            EXPECT_FALSE(pattern.Found(*output) || pattern.FirstGroup(*output));
            const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start);
            std::cout << text << " on " << output->size() << " bytes: " << took.count() << " ms\n";
            // Linear time takes milliseconds; a backtracking matcher takes years.
            EXPECT_LT(took, std::chrono::seconds(2)) << text;
        }
    }
}

}  // namespace
