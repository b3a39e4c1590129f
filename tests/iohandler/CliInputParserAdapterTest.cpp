#include <getopt.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "IoHandlerTestSupport.h"
#include "domain/Exceptions.h"
#include "iohandler/CliInputParserAdapter.h"
#include "iohandler/InputParserAdapterFactory.h"
#include "iohandler/IoHandlerErrors.h"
#include "iohandler/JsonInputParserAdapter.h"
#include "iohandler/VekCommand.h"
#include "mocks/MockStreamInputHandler.h"
#include "mocks/MockStreamInputHandlerFactory.h"
#include "mocks/MockVekCommandOption.h"
#include "serialization/NlohmannJsonWrapperFactory.h"

namespace VekLibrary::IoHandler {
namespace {

using Testing::Argv;
using Testing::MakeOptions;
using Testing::OptionShape;
using Testing::ThrowsWithMessage;
using Type = InputValueTypeEnum;
using Req = OptionRequirementEnum;

const std::vector<OptionShape> kOptions = {
    {'h', "help", Type::Boolean, Req::Optional},
    {'p', "port", Type::Integer, Req::RequiredForCli},
    {'u', "url", Type::String, Req::RequiredForBoth, {"u"}},
    {'v', "verbose", Type::Boolean, Req::Optional},
    {'6', "useIpv6", Type::Boolean, Req::RequiredForJson, {"6"}},
};

class CliInputParserAdapterTest : public ::testing::Test {
protected:
    ParsedOptionValues Parse(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "vek");
        Argv argv(std::move(arguments));
        return parser_.Parse(argv.argc(), argv.argv(), options_);
    }

    CliInputParserAdapter parser_;
    VekCommandOptionList options_ = MakeOptions(kOptions);
};

TEST_F(CliInputParserAdapterTest, AcceptedGrammar) {
    struct Case {
        std::vector<std::string> arguments;
        ParsedOptionValues expected;
    };
    // p and u are required on the command line: an empty text stands for "not given".
    const std::vector<Case> cases = {
        {{}, {{'p', ""}, {'u', ""}}},
        {{"-h"}, {{'h', "true"}, {'p', ""}, {'u', ""}}},
        {{"-p", "22", "-p", "23", "-u", "h"}, {{'p', "23"}, {'u', "h"}}},
        {{"-p22", "-uhost"}, {{'p', "22"}, {'u', "host"}}},
        {{"--port", "22", "--url=a=b"}, {{'p', "22"}, {'u', "a=b"}}},
        {{"--po=22", "--ur", "x"}, {{'p', "22"}, {'u', "x"}}},
        {{"-hv6"}, {{'h', "true"}, {'v', "true"}, {'6', "true"}, {'p', ""}, {'u', ""}}},
        {{"--verb", "--help", "--useIpv6"},
         {{'h', "true"}, {'v', "true"}, {'6', "true"}, {'p', ""}, {'u', ""}}},
        // The next element is the value even when it looks like a flag.
        {{"-p", "-5", "-u", "--help"}, {{'p', "-5"}, {'u', "--help"}}},
        {{"-p", "", "-u", "x"}, {{'p', ""}, {'u', "x"}}},
        {{"-h", "--"}, {{'h', "true"}, {'p', ""}, {'u', ""}}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(::testing::PrintToString(testCase.arguments));
        EXPECT_EQ(Parse(testCase.arguments), testCase.expected);
    }
}

TEST_F(CliInputParserAdapterTest, ErrorTable) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-z"}, "Unknown flag provided: z"},
        {{"-hz"}, "Unknown flag provided: z"},
        {{"--zz"}, "Unknown flag provided: --zz"},
        {{"--zz=1"}, "Unknown flag provided: --zz=1"},
        {{"-p"}, "Unknown flag provided: p"},
        {{"-u", "x", "--port"}, "Unknown flag provided: p"},
        {{"--help=1"}, "Unknown flag provided: h"},
        {{"--verbose=yes"}, "Unknown flag provided: v"},
        {{"-p22", "extra"}, "Unexpected positional argument provided: extra"},
        {{"extra", "-p22"}, "Unexpected positional argument provided: extra"},
        {{"one", "two"}, "Unexpected positional argument provided: one"},
        {{"-"}, "Unexpected positional argument provided: -"},
        {{"--", "-h"}, "Unexpected positional argument provided: -h"},
        {{"-p", "1", "--", "x", "y"}, "Unexpected positional argument provided: x"},
        // getopt reports errors in the order it meets them.
        {{"-h", "foo", "-z"}, "Unknown flag provided: z"},
        {{"\xc3\xa9"}, "Unexpected positional argument provided: \xc3\xa9"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(::testing::PrintToString(testCase.arguments));
        EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>([&] { Parse(testCase.arguments); },
                                                              testCase.message));
    }
}

TEST_F(CliInputParserAdapterTest, AmbiguousAbbreviationIsUnknown) {
    options_ = MakeOptions({{'p', "port", Type::Integer}, {'q', "portal", Type::Integer}});
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>([&] { Parse({"--po=1"}); },
                                                          "Unknown flag provided: --po=1"));
    EXPECT_EQ(Parse({"--port=1"}), (ParsedOptionValues{{'p', "1"}}));  // exact match wins
    EXPECT_EQ(Parse({"--porta", "2"}), (ParsedOptionValues{{'q', "2"}}));
}

TEST_F(CliInputParserAdapterTest, NullArgvAndShortArgc) {
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { parser_.Parse(2, nullptr, options_); }, "argv provided is null."));
    const char* const holey[] = {"vek", nullptr, "-h", nullptr};
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { parser_.Parse(3, holey, options_); }, "argv provided is null."));
    const char* const empty[] = {nullptr};
    EXPECT_EQ(parser_.Parse(0, empty, options_), (ParsedOptionValues{{'p', ""}, {'u', ""}}));
}

TEST_F(CliInputParserAdapterTest, RepeatedParsesStartFromScratch) {
    // An error in the middle of a group of short flags leaves glibc pointing
    // at the rest of the group ("h"); the next parse must not resume there.
    EXPECT_THROW(Parse({"-vzh"}), XInvalidTestInputError);
    EXPECT_EQ(Parse({"-p", "1", "-u", "x"}), (ParsedOptionValues{{'p', "1"}, {'u', "x"}}));

    // A failure half-way through a longer command line, then a shorter one.
    EXPECT_THROW(Parse({"-u", "x", "a", "b", "-p", "1", "-z", "-h"}), XInvalidTestInputError);
    EXPECT_EQ(Parse({"-h"}), (ParsedOptionValues{{'h', "true"}, {'p', ""}, {'u', ""}}));

    // Someone else's getopt use leaves arbitrary global state behind.
    optind = 5;
    opterr = 1;
    EXPECT_EQ(Parse({"-p7", "-ux"}), (ParsedOptionValues{{'p', "7"}, {'u', "x"}}));
    EXPECT_EQ(opterr, 0);

    for (int round = 0; round < 3; ++round) {
        EXPECT_THROW(Parse({"-6p"}), XInvalidTestInputError);
        EXPECT_THROW(Parse({"pos", "-h"}), XInvalidTestInputError);
        EXPECT_EQ(Parse({"-6", "-p", "1", "-u", "y"}),
                  (ParsedOptionValues{{'6', "true"}, {'p', "1"}, {'u', "y"}}));
    }
}

TEST_F(CliInputParserAdapterTest, TheCallersArgvKeepsItsOrder) {
    Argv argv{"vek", "pos", "-h", "-p", "1"};
    const auto before = argv.CurrentOrder();
    EXPECT_THROW(parser_.Parse(argv.argc(), argv.argv(), options_), XInvalidTestInputError);
    EXPECT_EQ(argv.CurrentOrder(), before);
}

TEST_F(CliInputParserAdapterTest, BuildsTheGetoptStructures) {
    std::vector<option> longOptions;
    std::string shortOptions = "stale";
    std::unordered_map<char, bool> takesValue{{'x', true}};
    const auto initial =
        parser_.BuildGetoptStructures(options_, longOptions, shortOptions, takesValue);

    EXPECT_EQ(shortOptions, "hp:u:v6");
    EXPECT_EQ(takesValue, (std::unordered_map<char, bool>{
                              {'h', false}, {'p', true}, {'u', true}, {'v', false}, {'6', false}}));
    EXPECT_EQ(initial, (ParsedOptionValues{{'p', ""}, {'u', ""}}));
    ASSERT_EQ(longOptions.size(), 6u);
    EXPECT_STREQ(longOptions[1].name, "port");
    EXPECT_EQ(longOptions[1].has_arg, required_argument);
    EXPECT_EQ(longOptions[1].flag, nullptr);
    EXPECT_EQ(longOptions[1].val, 'p');
    EXPECT_EQ(longOptions[0].has_arg, no_argument);
    EXPECT_EQ(longOptions[5].name, nullptr);
    EXPECT_EQ(longOptions[5].val, 0);
}

TEST_F(CliInputParserAdapterTest, RefusesFlagsGetoptWouldReadAsSyntax) {
    VekCommandOptionList options;
    auto colon = std::make_unique<::testing::NiceMock<MockVekCommandOption>>();
    static const std::string longFlag = "colon";
    ON_CALL(*colon, GetShortFlag()).WillByDefault(::testing::Return(':'));
    ON_CALL(*colon, GetLongFlag()).WillByDefault(::testing::ReturnRef(longFlag));
    options.push_back(std::move(colon));
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] {
            Argv argv{"vek", "-:"};
            parser_.Parse(argv.argc(), argv.argv(), options);
        },
        "Short flag must be an alphanumeric character."));

    VekCommandOptionList withNull;
    withNull.push_back(nullptr);
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] {
            Argv argv{"vek", "-h"};
            parser_.Parse(argv.argc(), argv.argv(), withNull);
        },
        "Command option cannot be null."));
}

// The command and the command-line parser together, as the program uses them.
class CommandLineEndToEndTest : public ::testing::Test {
protected:
    class CliOnlyFactory final : public IInputParserAdapterFactory {
    public:
        void Create(int, std::shared_ptr<IInputParserAdapter>& out) override {
            out = std::make_shared<CliInputParserAdapter>();
        }
    };

    VekCommand command_{
        "cmd", "Demo.", MakeOptions(kOptions), {'h'}, std::make_shared<CliOnlyFactory>()};
};

TEST_F(CommandLineEndToEndTest, HelpAloneAndMissingRequiredOptions) {
    Argv help{"vek", "-h"};
    command_.Parse(help.argc(), help.argv());
    bool value = false;
    ASSERT_TRUE(command_.TryGet('h', value));
    EXPECT_TRUE(value);
    EXPECT_FALSE(command_.TryGet('v', value));

    Argv missing{"vek", "-u", "host"};
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { command_.Parse(missing.argc(), missing.argv()); },
        "Expected option(-p) is not provided."));

    Argv complete{"vek", "--url", "host", "--port=22"};
    command_.Parse(complete.argc(), complete.argv());
    ASSERT_TRUE(command_.TryGet('v', value));
    EXPECT_FALSE(value);
    ASSERT_TRUE(command_.TryGet('6', value));
    EXPECT_FALSE(value);
    std::int64_t port = 0;
    ASSERT_TRUE(command_.TryGet('p', port));
    EXPECT_EQ(port, 22);
}

// --- factory ------------------------------------------------------------------

TEST(InputParserAdapterFactoryTest, ChoosesTheParserByArgc) {
    InputParserAdapterFactory factory(
        std::make_shared<Serialization::NlohmannJsonWrapperFactory>(),
        std::make_shared<::testing::NiceMock<MockStreamInputHandlerFactory>>());
    std::shared_ptr<IInputParserAdapter> parser;
    // The mock reader factory yields no reader, which the JSON parser refuses.
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { factory.Create(1, parser); },
        "Could not create JsonInputParserAdapter object. Null stdin input handler provided."));
    for (int argc : {0, 2, 5, -1}) {
        SCOPED_TRACE(argc);
        parser.reset();
        factory.Create(argc, parser);
        EXPECT_NE(dynamic_cast<CliInputParserAdapter*>(parser.get()), nullptr);
    }
}

TEST(InputParserAdapterFactoryTest, ArgcOneMakesAJsonParserWithFreshParts) {
    // Each reader hands out its own document, and only when asked with the
    // five seconds a controlling program is given to send it.
    int readersMade = 0;
    auto readerFactory = std::make_shared<MockStreamInputHandlerFactory>();
    EXPECT_CALL(*readerFactory, Create(::testing::_))
        .Times(2)
        .WillRepeatedly([&readersMade](std::shared_ptr<IStreamInputHandler>& out) {
            auto reader = std::make_shared<MockStreamInputHandler>();
            EXPECT_CALL(*reader, ReadInput(std::chrono::milliseconds(5000)))
                .WillOnce(::testing::Return("{\"u\":\"" + std::to_string(++readersMade) + "\"}"));
            out = reader;
        });
    InputParserAdapterFactory factory(std::make_shared<Serialization::NlohmannJsonWrapperFactory>(),
                                      readerFactory);
    std::shared_ptr<IInputParserAdapter> first;
    std::shared_ptr<IInputParserAdapter> second;
    factory.Create(1, first);
    factory.Create(1, second);
    EXPECT_NE(dynamic_cast<JsonInputParserAdapter*>(first.get()), nullptr);
    EXPECT_NE(first, second);

    const auto options = MakeOptions({{'u', "url", Type::String, Req::Optional, {"u"}}});
    const char* const argv[] = {"vek", nullptr};
    EXPECT_EQ(second->Parse(1, argv, options), (ParsedOptionValues{{'u', "2"}}));
    EXPECT_EQ(first->Parse(1, argv, options), (ParsedOptionValues{{'u', "1"}}));
}

TEST(InputParserAdapterFactoryTest, NullCollaborators) {
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [] {
            InputParserAdapterFactory factory(nullptr,
                                              std::make_shared<MockStreamInputHandlerFactory>());
        },
        "Json wrapper factory is null."));
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [] {
            InputParserAdapterFactory factory(
                std::make_shared<Serialization::NlohmannJsonWrapperFactory>(), nullptr);
        },
        "Stdin handler factory is null."));
}

}  // namespace
}  // namespace VekLibrary::IoHandler
