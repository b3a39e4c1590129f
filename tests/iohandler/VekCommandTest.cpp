#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "IoHandlerTestSupport.h"
#include "domain/Exceptions.h"
#include "iohandler/IoHandlerErrors.h"
#include "iohandler/TimeoutValidator.h"
#include "iohandler/VekCommand.h"
#include "iohandler/VekCommandBuilder.h"
#include "iohandler/VekCommandBuilderFactory.h"
#include "iohandler/VekCommandFactory.h"
#include "mocks/MockInputParserAdapter.h"
#include "mocks/MockInputParserAdapterFactory.h"
#include "mocks/MockVekCommandOption.h"

namespace VekLibrary::IoHandler {
namespace {

using ::testing::_;
using Testing::MakeOption;
using Testing::MakeOptions;
using ::testing::NiceMock;
using Testing::OptionShape;
using ::testing::Return;
using ::testing::ReturnRef;
using ::testing::SetArgReferee;
using Testing::ThrowsWithMessage;

using Type = InputValueTypeEnum;
using Req = OptionRequirementEnum;

const char* const kNoArgs[] = {"vek", nullptr};
const char* const kCliArgs[] = {"vek", "-x", nullptr};

// A command whose parser returns a prepared map; argc decides the input mode
// the command believes in (1 = JSON, otherwise command line).
class CommandParseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ON_CALL(*adapterFactory_, Create(_, _)).WillByDefault(SetArgReferee<1>(adapter_));
    }

    std::unique_ptr<VekCommand> MakeCommand(const std::vector<OptionShape>& shapes,
                                            std::unordered_set<char> shortCircuit = {}) {
        return std::make_unique<VekCommand>("cmd", "Demo.", MakeOptions(shapes), shortCircuit,
                                            adapterFactory_);
    }

    void ParseWith(VekCommand& command, const ParsedOptionValues& values, bool commandLine) {
        EXPECT_CALL(*adapter_, Parse(commandLine ? 2 : 1, _, _)).WillOnce(Return(values));
        command.Parse(commandLine ? 2 : 1, commandLine ? kCliArgs : kNoArgs);
    }

    std::shared_ptr<NiceMock<MockInputParserAdapterFactory>> adapterFactory_ =
        std::make_shared<NiceMock<MockInputParserAdapterFactory>>();
    std::shared_ptr<MockInputParserAdapter> adapter_ = std::make_shared<MockInputParserAdapter>();
};

const std::vector<OptionShape> kHelpAndPort = {
    {'h', "help", Type::Boolean, Req::Optional},
    {'p', "port", Type::Integer, Req::RequiredForBoth, {"Capabilities", "port"}},
    {'u', "url", Type::String, Req::RequiredForCli},
};

TEST_F(CommandParseTest, HandsTheParserArgcArgvAndTheOptions) {
    auto command = MakeCommand(kHelpAndPort, {'h'});
    EXPECT_CALL(*adapterFactory_, Create(3, _)).WillOnce(SetArgReferee<1>(adapter_));
    const char* const argv[] = {"vek", "-p", "22", nullptr};
    EXPECT_CALL(*adapter_, Parse(3, argv, ::testing::Ref(command->GetCommandOptions())))
        .WillOnce(Return(ParsedOptionValues{{'p', "22"}, {'u', "host"}}));
    command->Parse(3, argv);
    std::int64_t port = 0;
    ASSERT_TRUE(command->TryGet('p', port));
    EXPECT_EQ(port, 22);
}

TEST_F(CommandParseTest, RefusesWhenNoParserCanBeMade) {
    auto command = MakeCommand(kHelpAndPort);
    EXPECT_CALL(*adapterFactory_, Create(2, _)).WillOnce(Return());
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>([&] { command->Parse(2, kCliArgs); },
                                                          "Could not create an input parser."));
}

TEST_F(CommandParseTest, ParserErrorsPassUnchanged) {
    auto command = MakeCommand(kHelpAndPort);
    EXPECT_CALL(*adapter_, Parse(_, _, _))
        .WillOnce(::testing::Throw(XInvalidTestInputError("Unknown flag provided: z")));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>([&] { command->Parse(2, kCliArgs); },
                                                          "Unknown flag provided: z"));
}

TEST_F(CommandParseTest, ShortCircuitSkipsVerificationAndKeepsOnlyItsFlag) {
    auto command = MakeCommand(kHelpAndPort, {'h'});
    // The required port is a placeholder and the url is missing: help still works.
    ParseWith(*command, {{'h', "true"}, {'p', ""}}, true);
    bool help = false;
    ASSERT_TRUE(command->TryGet('h', help));
    EXPECT_TRUE(help);
    std::string text = "unchanged";
    EXPECT_FALSE(command->TryGet('p', text));
    EXPECT_FALSE(command->TryGet('u', text));
    EXPECT_EQ(text, "unchanged");
}

TEST_F(CommandParseTest, PresenceNotTruthTriggersTheShortCircuit) {
    auto command = MakeCommand({{'h', "help", Type::Boolean, Req::Optional, {"Settings", "Help"}},
                                {'p', "port", Type::Integer, Req::RequiredForBoth, {"port"}}},
                               {'h'});
    ParseWith(*command, {{'h', "false"}, {'p', ""}}, false);
    bool help = true;
    ASSERT_TRUE(command->TryGet('h', help));
    EXPECT_FALSE(help);
    std::int64_t port = 0;
    EXPECT_FALSE(command->TryGet('p', port));
}

TEST_F(CommandParseTest, AbsentBooleansBecomeFalseOnTheCommandLineOnly) {
    const std::vector<OptionShape> shapes = {{'d', "debug", Type::Boolean, Req::Optional, {"d"}},
                                             {'u', "url", Type::String, Req::Optional, {"u"}}};
    auto command = MakeCommand(shapes);
    ParseWith(*command, {{'u', "host"}}, true);
    bool debug = true;
    ASSERT_TRUE(command->TryGet('d', debug));
    EXPECT_FALSE(debug);

    ParseWith(*command, {{'u', "host"}}, false);
    EXPECT_FALSE(command->TryGet('d', debug));
}

TEST_F(CommandParseTest, DefaultedBooleansTakePartInDependencyAndExclusionChecks) {
    // -b depends on -c; on the command line an absent -b is "false", which is a
    // non-empty text, so its dependency is checked all the same.
    auto dependent = MakeCommand({{'b', "bool", Type::Boolean, Req::Optional, {}, {'c'}},
                                  {'c', "commands", Type::String, Req::Optional}});
    EXPECT_CALL(*adapter_, Parse(_, _, _)).WillRepeatedly(Return(ParsedOptionValues{}));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { dependent->Parse(2, kCliArgs); },
        "Dependency option(-c) for option(-b) is not provided."));
    dependent->Parse(1, kNoArgs);  // JSON mode: -b stays absent

    auto exclusive = MakeCommand({{'u', "url", Type::String, Req::Optional, {}, {}, {'v'}},
                                  {'v', "verbose", Type::Boolean, Req::Optional}});
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] {
            ParseWith(*exclusive, {{'u', "host"}}, true);
        },
        "Unexpected option(-v) with option(-u) is provided."));
}

TEST_F(CommandParseTest, VerificationMessages) {
    const std::vector<OptionShape> shapes = {
        {'t', "timeout", Type::Integer, Req::Optional, {}, {}, {}, TimeoutValidator()},
        {'l', "maxLength", Type::Unsigned, Req::Optional, {}, {'c'}},
        {'c', "commands", Type::String, Req::Optional},
        {'m', "mode", Type::String, Req::Optional, {}, {}, {'n'}},
        {'n', "name", Type::String, Req::Optional},
        // Fails every check at once, to pin the order of the checks.
        {'o', "order", Type::Integer, Req::Optional, {}, {'c'}, {'n'}, TimeoutValidator()},
    };
    struct Case {
        const char* name;
        ParsedOptionValues values;
        const char* message;  // nullptr: accepted
    };
    const std::vector<Case> cases = {
        {"present but empty", {{'c', ""}}, "Expected option(-c) is not provided."},
        {"dependency absent",
         {{'l', "5"}},
         "Dependency option(-c) for option(-l) is not provided."},
        {"dependency empty",
         {{'l', "5"}, {'c', ""}},
         "Dependency option(-c) for option(-l) is not provided."},
        {"dependency given", {{'l', "5"}, {'c', "ls"}}, nullptr},
        {"exclusion given",
         {{'m', "a"}, {'n', "b"}},
         "Unexpected option(-n) with option(-m) is provided."},
        // An empty excluded flag does not count; it fails later as not provided.
        {"exclusion empty", {{'m', "a"}, {'n', ""}}, "Expected option(-n) is not provided."},
        {"validator refuses",
         {{'t', "-5"}},
         "Incorrect input provided for option: -t. Input validation failed for value: -5"},
        {"validator throws",
         {{'t', "soon"}},
         "stoll. Invalid timeout: soon. Timeout must be a non-negative number (>=0)."},
        {"validator accepts", {{'t', "30"}}, nullptr},
        // Within one option: presence, dependencies, exclusions, then the validator.
        {"presence before dependency", {{'o', ""}}, "Expected option(-o) is not provided."},
        {"dependency before exclusion and validator",
         {{'o', "-1"}, {'n', "x"}},
         "Dependency option(-c) for option(-o) is not provided."},
        {"exclusion before validator",
         {{'o', "-1"}, {'c', "ls"}, {'n', "x"}},
         "Unexpected option(-n) with option(-o) is provided."},
        {"validator last",
         {{'o', "-1"}, {'c', "ls"}},
         "Incorrect input provided for option: -o. Input validation failed for value: -1"},
        // Options are verified in list order, not in the order of the parsed values.
        {"first option in the list first",
         {{'t', "-5"}, {'l', "5"}, {'m', "a"}, {'n', "b"}},
         "Incorrect input provided for option: -t. Input validation failed for value: -5"},
        {"later option after an accepted one",
         {{'t', "5"}, {'l', "5"}, {'m', "a"}, {'n', "b"}},
         "Dependency option(-c) for option(-l) is not provided."},
    };
    auto command = MakeCommand(shapes);
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        if (testCase.message == nullptr) {
            EXPECT_NO_THROW(ParseWith(*command, testCase.values, false));
        } else {
            EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
                [&] { ParseWith(*command, testCase.values, false); }, testCase.message));
        }
    }
}

TEST_F(CommandParseTest, AGivenWaivingFlagLiftsARequirementInBothModes) {
    // -p is required unless -k is given; -k itself stays optional.
    const std::vector<OptionShape> shapes = {
        {'p', "password", Type::String, Req::RequiredForBoth, {"C", "p"}, {}, {}, {}, {'k'}},
        {'k', "key", Type::String, Req::Optional, {"C", "k"}},
    };
    struct Case {
        const char* name;
        ParsedOptionValues values;
        const char* message;  // nullptr: accepted
    };
    const std::vector<Case> cases = {
        {"neither", {{'p', ""}}, "Expected option(-p) is not provided."},
        {"waiving flag given", {{'p', ""}, {'k', "key"}}, nullptr},
        {"both given", {{'p', "secret"}, {'k', "key"}}, nullptr},
        {"required one given", {{'p', "secret"}}, nullptr},
        // An empty waiving flag is no waiver: it fails as not provided itself.
        {"waiving flag empty", {{'p', ""}, {'k', ""}}, "Expected option(-p) is not provided."},
    };
    auto command = MakeCommand(shapes);
    for (const bool commandLine : {false, true}) {
        for (const auto& testCase : cases) {
            SCOPED_TRACE(std::string(testCase.name) + (commandLine ? " (cli)" : " (json)"));
            if (testCase.message == nullptr) {
                EXPECT_NO_THROW(ParseWith(*command, testCase.values, commandLine));
            } else {
                EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
                    [&] { ParseWith(*command, testCase.values, commandLine); }, testCase.message));
            }
        }
    }
    ParseWith(*command, {{'p', ""}, {'k', "key"}}, true);
    std::string password;
    EXPECT_FALSE(command->TryGet('p', password));
    // The help text keeps the requirement as declared.
    EXPECT_NE(command->GetHelpMessage().find("Required for CLI. Required for JSON."),
              std::string::npos);
}

TEST_F(CommandParseTest, AFailedVerificationKeepsTheValuesOfThatParse) {
    auto command = MakeCommand(
        {{'t', "timeout", Type::Integer, Req::Optional, {}, {}, {}, TimeoutValidator()}});
    EXPECT_THROW(ParseWith(*command, {{'t', "-5"}}, false), XInvalidTestInputError);
    std::int64_t timeout = 0;
    ASSERT_TRUE(command->TryGet('t', timeout));
    EXPECT_EQ(timeout, -5);
}

TEST_F(CommandParseTest, TryGetBeforeAnyValuesThrows) {
    auto command = MakeCommand(kHelpAndPort);
    const auto expectNotParsed = [&command] {
        bool b;
        std::int64_t i;
        std::uint64_t u;
        double d;
        std::string s;
        const std::string message = "Input has not been parsed yet.";
        EXPECT_TRUE(
            ThrowsWithMessage<XInvalidTestInputError>([&] { command->TryGet('p', b); }, message));
        EXPECT_TRUE(
            ThrowsWithMessage<XInvalidTestInputError>([&] { command->TryGet('p', i); }, message));
        EXPECT_TRUE(
            ThrowsWithMessage<XInvalidTestInputError>([&] { command->TryGet('p', u); }, message));
        EXPECT_TRUE(
            ThrowsWithMessage<XInvalidTestInputError>([&] { command->TryGet('p', d); }, message));
        EXPECT_TRUE(
            ThrowsWithMessage<XInvalidTestInputError>([&] { command->TryGet('p', s); }, message));
    };
    expectNotParsed();
    ParseWith(*command, {}, false);  // JSON mode, nothing given at all
    expectNotParsed();
}

TEST_F(CommandParseTest, TryGetConversions) {
    auto command = MakeCommand({{'v', "value", Type::Any, Req::Optional}});
    const auto parse = [&](const std::string& text) { ParseWith(*command, {{'v', text}}, false); };

    bool flag = false;
    for (const char* text : {"TRUE", "True", "true"}) {
        parse(text);
        ASSERT_TRUE(command->TryGet('v', flag));
        EXPECT_TRUE(flag);
    }
    parse("False");
    ASSERT_TRUE(command->TryGet('v', flag));
    EXPECT_FALSE(flag);
    for (const char* text : {"yes", "1", " true"}) {
        parse(text);
        EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
            [&] { command->TryGet('v', flag); },
            "Non-boolean input provided for the option with short-flag: v"));
    }

    std::int64_t signedValue = 0;
    parse("12abc");
    ASSERT_TRUE(command->TryGet('v', signedValue));
    EXPECT_EQ(signedValue, 12);
    parse("-9223372036854775808");
    ASSERT_TRUE(command->TryGet('v', signedValue));
    EXPECT_EQ(signedValue, std::numeric_limits<std::int64_t>::min());
    parse("abc");
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { command->TryGet('v', signedValue); },
        "Value could not be converted to an integer for option short-flag: vstoll"));
    parse("9223372036854775808");
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { command->TryGet('v', signedValue); },
        "Value out-of-range for option short-flag: vstoll"));

    std::uint64_t unsignedValue = 0;
    parse("-1");
    ASSERT_TRUE(command->TryGet('v', unsignedValue));
    EXPECT_EQ(unsignedValue, std::numeric_limits<std::uint64_t>::max());
    parse("x1");
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { command->TryGet('v', unsignedValue); },
        "Value could not be converted to an unsigned integer for option short-flag: vstoull"));
    parse("18446744073709551616");
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { command->TryGet('v', unsignedValue); },
        "Value out-of-range for option short-flag: vstoull"));

    double real = 0;
    parse("2.5e1");
    ASSERT_TRUE(command->TryGet('v', real));
    EXPECT_DOUBLE_EQ(real, 25.0);
    parse("pi");
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { command->TryGet('v', real); },
        "Value could not be converted to a double for option short-flag: vstod"));
    parse("1e999");
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { command->TryGet('v', real); }, "Value out-of-range for option short-flag: vstod"));

    std::string text;
    parse(" any text ");
    ASSERT_TRUE(command->TryGet('v', text));
    EXPECT_EQ(text, " any text ");

    // An absent flag leaves every kind of out-reference alone.
    signedValue = 7;
    real = 7.5;
    text = "kept";
    EXPECT_FALSE(command->TryGet('q', signedValue));
    EXPECT_FALSE(command->TryGet('q', real));
    EXPECT_FALSE(command->TryGet('q', text));
    EXPECT_EQ(signedValue, 7);
    EXPECT_EQ(real, 7.5);
    EXPECT_EQ(text, "kept");
}

TEST_F(CommandParseTest, HelpTextOfTheDocumentedExample) {
    auto command = MakeCommand({{'h', "help", Type::Boolean, Req::Optional}}, {'h'});
    // MakeOption describes options as "Option <long flag>.".
    EXPECT_EQ(command->GetHelpMessage(),
              "\nCommand Name: cmd\n"
              "Command Description: Demo.\n"
              "\nFlags: -h, --help\n"
              "Description: Option help.\n"
              "Requirement: Optional for CLI. Optional for JSON.\n"
              "Input Type: Boolean\n");
}

TEST_F(CommandParseTest, HelpTextRendersEveryPart) {
    auto command = MakeCommand({
        {'a', "any", Type::Any, Req::RequiredForJson, {"Capabilities", "common.test.x"}},
        {'d', "double", Type::Double, Req::RequiredForCli, {}, {'a'}},
        {'i', "int", Type::Integer, Req::RequiredForBoth, {"i"}, {}, {'d'}},
        {'s', "string", Type::String, Req::Optional},
        {'u', "unsigned", Type::Unsigned, Req::Optional},
    });
    EXPECT_EQ(command->GetHelpMessage(),
              "\nCommand Name: cmd\nCommand Description: Demo.\n"
              "\nFlags: -a, --any\nDatakey: /Capabilities/common.test.x\nDescription: Option any."
              "\nRequirement: Optional for CLI. Required for JSON.\nInput Type: String\n"
              "\nFlags: -d, --double\nDescription: Option double."
              "\nRequirement: Required for CLI. Optional for JSON.\nInput Type: Double"
              "\nDepends On: -a,\n"
              "\nFlags: -i, --int\nDatakey: /i\nDescription: Option int."
              "\nRequirement: Required for CLI. Required for JSON.\nInput Type: Integer"
              "\nMutually Exclusive With: -d,\n"
              "\nFlags: -s, --string\nDescription: Option string."
              "\nRequirement: Optional for CLI. Optional for JSON.\nInput Type: String\n"
              "\nFlags: -u, --unsigned\nDescription: Option unsigned."
              "\nRequirement: Optional for CLI. Optional for JSON.\nInput Type: Unsigned\n");
}

TEST_F(CommandParseTest, HelpTextListsEverySetMember) {
    auto command = MakeCommand({{'a', "all", Type::Boolean, Req::Optional, {}, {'b', 'c'}},
                                {'b', "bee", Type::Boolean, Req::Optional},
                                {'c', "sea", Type::Boolean, Req::Optional}});
    const std::string help = command->GetHelpMessage();
    const auto line = help.substr(help.find("Depends On:"));
    const auto end = line.find('\n');
    const std::string dependsOn = line.substr(0, end);
    EXPECT_TRUE(dependsOn == "Depends On: -b, -c," || dependsOn == "Depends On: -c, -b,")
        << dependsOn;
}

// --- definition checks -----------------------------------------------------

std::shared_ptr<IInputParserAdapterFactory> AnyAdapterFactory() {
    return std::make_shared<NiceMock<MockInputParserAdapterFactory>>();
}

TEST(VekCommandDefinitionTest, RefusesEachInconsistency) {
    struct Case {
        const char* name;
        std::string commandName;
        std::string description;
        std::vector<OptionShape> shapes;
        std::unordered_set<char> shortCircuit;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"no name", "", "Demo.", {{'a', "a"}}, {}, "Name of the command has not been set."},
        {"no description",
         "cmd",
         "",
         {{'a', "a"}},
         {},
         "Description has not been set for the command: cmd"},
        {"no options", "cmd", "Demo.", {}, {}, "No option has been set for the command."},
        {"duplicate short flag",
         "cmd",
         "Demo.",
         {{'p', "port"}, {'p', "peer"}},
         {},
         "Duplicate short flag found: pfor the command: cmd"},
        {"duplicate short and long flag",
         "cmd",
         "Demo.",
         {{'p', "port"}, {'p', "port"}},
         {},
         "Duplicate short flag found: pfor the command: cmd"},
        {"duplicate long flag",
         "cmd",
         "Demo.",
         {{'p', "port"}, {'q', "port"}},
         {},
         "Duplicate long flag found: portfor the command: cmd"},
        {"duplicate last datakey",
         "cmd",
         "Demo.",
         {{'a', "a", Type::String, Req::Optional, {"a", "x"}},
          {'b', "b", Type::String, Req::Optional, {"b", "x"}}},
         {},
         "Duplicate datakey found: xfor the command: cmd"},
        {"depends on the short-circuit flag",
         "cmd",
         "Demo.",
         {{'h', "help", Type::Boolean}, {'p', "port", Type::String, Req::Optional, {}, {'q', 'h'}}},
         {'h'},
         "port uses short-circuiting flags: h as dependencies."},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
            [&] {
                VekCommand command(testCase.commandName, testCase.description,
                                   MakeOptions(testCase.shapes), testCase.shortCircuit,
                                   AnyAdapterFactory());
            },
            testCase.message));
    }
}

TEST(VekCommandDefinitionTest, NullCollaboratorsAndNullOptions) {
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [] { VekCommand command("", "", {}, {}, nullptr); },
        "Input parser adapter factory cannot be null."));
    VekCommandOptionList options = MakeOptions({{'a', "a"}});
    options.push_back(nullptr);
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { VekCommand command("cmd", "Demo.", std::move(options), {}, AnyAdapterFactory()); },
        "Command option cannot be null for the command: cmd"));
}

TEST(VekCommandDefinitionTest, OnlyTheLastDatakeyKeyMustBeUnique) {
    VekCommand command("cmd", "Demo.",
                       MakeOptions({{'a', "a", Type::String, Req::Optional, {"x", "a"}},
                                    {'b', "b", Type::String, Req::Optional, {"x", "b"}},
                                    {'c', "c", Type::String, Req::Optional},
                                    {'d', "d", Type::String, Req::Optional}}),
                       {}, AnyAdapterFactory());
    EXPECT_EQ(command.GetCommandOptions().size(), 4u);
    EXPECT_EQ(command.GetName(), "cmd");
    EXPECT_EQ(command.GetDescription(), "Demo.");
}

// --- builder and factories --------------------------------------------------

class CommandBuilderTest : public ::testing::Test {
protected:
    VekCommandBuilder builder_{std::make_shared<VekCommandFactory>(AnyAdapterFactory())};
};

TEST_F(CommandBuilderTest, RefusalsLeaveTheBuilderUnchanged) {
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { builder_.AddCommandDetails("", "Demo."); },
        "Command name or description provided is empty."));
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { builder_.AddCommandDetails("cmd", ""); },
        "Command name or description provided is empty."));
    builder_.AddCommandDetails("cmd", "Demo.");
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { builder_.AddCommandDetails("other", "Other."); },
        "Command name and description already set."));

    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { builder_.AddOption(nullptr); }, "Command option cannot be added, it's null."));
    auto oddOption = std::make_unique<NiceMock<MockVekCommandOption>>();
    ON_CALL(*oddOption, GetShortFlag()).WillByDefault(Return('-'));
    EXPECT_TRUE(
        ThrowsWithMessage<XBrokenInvariantsError>([&] { builder_.AddOption(std::move(oddOption)); },
                                                  "Short flag must be an alphanumeric character."));
    builder_.AddOption(MakeOption({'p', "port"}));
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] {
            builder_.AddOption(MakeOption({'p', "peer"}));
        },
        "Cannot add option. Option already added having short-flag: -p"));

    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { builder_.AddShortCircuitOption(nullptr); },
        "Short circuit option cannot be added, it's null."));
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] {
            builder_.AddShortCircuitOption(
                MakeOption({'h', "help", Type::Boolean, Req::RequiredForCli}));
        },
        "Short circuit option not marked optional: -h"));
    // A short-circuit option goes through the same checks as any option.
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] {
            builder_.AddShortCircuitOption(MakeOption({'p', "print", Type::Boolean}));
        },
        "Cannot add option. Option already added having short-flag: -p"));

    builder_.AddShortCircuitOption(MakeOption({'h', "help", Type::Boolean}));
    const auto command = builder_.Build();
    ASSERT_EQ(command->GetCommandOptions().size(), 2u);
    EXPECT_EQ(command->GetCommandOptions()[0]->GetLongFlag(), "port");
    EXPECT_EQ(command->GetCommandOptions()[1]->GetLongFlag(), "help");
    EXPECT_EQ(command->GetShortCircuitCommandOptionFlags(), (std::unordered_set<char>{'h'}));
    EXPECT_EQ(command->GetName(), "cmd");
}

TEST_F(CommandBuilderTest, BuildStartsAfresh) {
    builder_.AddCommandDetails("first", "First.")
        .AddShortCircuitOption(MakeOption({'h', "help", Type::Boolean}));
    builder_.Build();
    builder_.AddCommandDetails("second", "Second.")
        .AddOption(MakeOption({'h', "host"}));  // the flag is free again
    const auto second = builder_.Build();
    EXPECT_EQ(second->GetName(), "second");
    EXPECT_TRUE(second->GetShortCircuitCommandOptionFlags().empty());
    EXPECT_EQ(second->GetCommandOptions().size(), 1u);
}

TEST_F(CommandBuilderTest, AFailedBuildDropsTheOptionsButKeepsDetailsAndFlags) {
    builder_.AddOption(MakeOption({'p', "port"}));
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>([&] { builder_.Build(); },
                                                          "Name of the command has not been set."));
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] {
            builder_.AddOption(MakeOption({'p', "port"}));
        },
        "Cannot add option. Option already added having short-flag: -p"));

    builder_.AddCommandDetails("cmd", "Demo.");
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { builder_.Build(); }, "No option has been set for the command."));
    EXPECT_THROW(builder_.AddCommandDetails("cmd", "Demo."), XBrokenInvariantsError);
}

TEST(CommandFactoriesTest, NullCollaborators) {
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [] { VekCommandBuilder builder(nullptr); }, "Null command factory provided."));
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [] { VekCommandFactory factory(nullptr); }, "Input parser adapter factory is null."));
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [] { VekCommandBuilderFactory factory(nullptr); }, "Vek command factory is null."));
}

TEST(CommandFactoriesTest, CommandsUseTheFactorysAdapterFactory) {
    auto adapterFactory = std::make_shared<MockInputParserAdapterFactory>();
    auto adapter = std::make_shared<MockInputParserAdapter>();
    EXPECT_CALL(*adapterFactory, Create(2, _)).WillOnce(SetArgReferee<1>(adapter));
    EXPECT_CALL(*adapter, Parse(2, _, _)).WillOnce(Return(ParsedOptionValues{{'p', "1"}}));

    VekCommandBuilderFactory builderFactory(std::make_shared<VekCommandFactory>(adapterFactory));
    std::shared_ptr<IVekCommandBuilder> builder;
    std::shared_ptr<IVekCommandBuilder> other;
    builderFactory.Create(builder);
    builderFactory.Create(other);
    ASSERT_TRUE(builder && other);
    EXPECT_NE(builder, other);

    auto command =
        builder->AddCommandDetails("cmd", "Demo.").AddOption(MakeOption({'p', "port"})).Build();
    command->Parse(2, kCliArgs);
    std::string port;
    ASSERT_TRUE(command->TryGet('p', port));
    EXPECT_EQ(port, "1");

    // A refused definition leaves the caller's command untouched.
    VekCommandFactory factory(adapterFactory);
    std::unique_ptr<IVekCommand> out = std::move(command);
    const IVekCommand* before = out.get();
    EXPECT_THROW(factory.Create("", "Demo.", MakeOptions({{'a', "a"}}), {}, out),
                 XBrokenInvariantsError);
    EXPECT_EQ(out.get(), before);
}

}  // namespace
}  // namespace VekLibrary::IoHandler
