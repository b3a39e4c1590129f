#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>

#include "IoHandlerTestSupport.h"
#include "domain/Exceptions.h"
#include "iohandler/InclusiveRangeValidator.h"
#include "iohandler/IoHandlerErrors.h"
#include "iohandler/MaxDownloadsBytesValidator.h"
#include "iohandler/TimeoutValidator.h"
#include "iohandler/VekCommandOption.h"
#include "iohandler/VekCommandOptionBuilder.h"
#include "iohandler/VekCommandOptionBuilderFactory.h"
#include "iohandler/VekCommandOptionFactory.h"
#include "mocks/MockVekCommandOptionFactory.h"

namespace VekLibrary::IoHandler {
namespace {

using ::testing::_;
using Testing::ThrowsWithMessage;

class OptionBuilderTest : public ::testing::Test {
protected:
    std::shared_ptr<VekCommandOptionFactory> factory_ = std::make_shared<VekCommandOptionFactory>();
    VekCommandOptionBuilder builder_{factory_};

    // Everything an option needs, on top of which single setters are tested.
    void SetMinimalOption() {
        builder_.AddFlags('p', "port")
            .AddDescription("Port.")
            .AddInputValueType(InputValueTypeEnum::Integer)
            .AddOptionRequirement(OptionRequirementEnum::Optional);
    }
};

struct SetterRefusal {
    const char* name;
    std::function<void(IVekCommandOptionBuilder&)> validCall;
    std::function<void(IVekCommandOptionBuilder&)> emptyCall;
    const char* emptyMessage;
    const char* repeatedMessage;
};

const bool kAlwaysTrue = true;
const OptionValidator kAccept = [](const std::string&) { return kAlwaysTrue; };

const std::vector<SetterRefusal> kSetterRefusals = {
    {"AddDescription", [](auto& b) { b.AddDescription("Text."); },
     [](auto& b) { b.AddDescription(""); }, "Empty description provided for command option.",
     "Description is already set."},
    {"AddDatakey",
     [](auto& b) {
         b.AddDatakey({"a", "b"});
     },
     [](auto& b) { b.AddDatakey({}); }, "Provided datakey is empty.",
     "Datakey for the option is already set."},
    {"AddOptionRequirement",
     [](auto& b) { b.AddOptionRequirement(OptionRequirementEnum::RequiredForCli); },
     [](auto& b) { b.AddOptionRequirement(OptionRequirementEnum::Unknown); },
     "Cannot set the option requirement to 'Unknown'.", "Requirement already set for the option."},
    {"AddInputValueType", [](auto& b) { b.AddInputValueType(InputValueTypeEnum::Double); },
     [](auto& b) { b.AddInputValueType(InputValueTypeEnum::Unknown); },
     "Cannot set input value type as 'Unknown'.",
     "Input value type is already set for the option."},
    {"AddValidator", [](auto& b) { b.AddValidator(kAccept); },
     [](auto& b) { b.AddValidator(OptionValidator{}); }, "Invalid validator passed.",
     "Validator already set for the option."},
    {"DependsOn", [](auto& b) { b.DependsOn({'a'}); }, [](auto& b) { b.DependsOn({}); },
     "Cannot add dependencies with empty flags.", "Dependency on other flags are already set."},
    {"MutuallyExclusiveWith", [](auto& b) { b.MutuallyExclusiveWith({'z'}); },
     [](auto& b) { b.MutuallyExclusiveWith({}); }, "Cannot add mutual exclusion with empty flags.",
     "Mutually exclusive flags are already set."},
    {"NotRequiredWith", [](auto& b) { b.NotRequiredWith({'k'}); },
     [](auto& b) { b.NotRequiredWith({}); }, "Cannot waive a requirement with empty flags.",
     "Requirement waiving flags are already set."},
};

TEST_F(OptionBuilderTest, EachSetterRefusesAnEmptyValueAndASecondValue) {
    for (const auto& refusal : kSetterRefusals) {
        SCOPED_TRACE(refusal.name);
        VekCommandOptionBuilder builder(factory_);
        EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>([&] { refusal.emptyCall(builder); },
                                                              refusal.emptyMessage));
        refusal.validCall(builder);
        // The emptiness test comes before the "already set" test.
        EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>([&] { refusal.emptyCall(builder); },
                                                              refusal.emptyMessage));
        EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>([&] { refusal.validCall(builder); },
                                                              refusal.repeatedMessage));
    }
}

TEST_F(OptionBuilderTest, FlagRefusalsShowTheCharacterCode) {
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { builder_.AddFlags('-', "x"); },
        "Flags provided are empty. ShortFlag: 45. LongFlag: x"));
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { builder_.AddFlags('a', ""); },
        "Flags provided are empty. ShortFlag: 97. LongFlag: "));
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { builder_.AddFlags('\0', "x"); },
        "Flags provided are empty. ShortFlag: 0. LongFlag: x"));
    builder_.AddFlags('h', "help");
    // The stored flags are shown, not the refused ones.
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { builder_.AddFlags('v', "verbose"); },
        "Flags are already set. ShortFlag: 104. LongFlag: help"));
}

TEST_F(OptionBuilderTest, RefusedCallsLeaveTheEarlierValues) {
    SetMinimalOption();
    builder_.AddDatakey({"outer", "inner"}).DependsOn({'a'}).MutuallyExclusiveWith({'z'});
    EXPECT_THROW(builder_.AddFlags('q', "quiet"), XBrokenInvariantsError);
    EXPECT_THROW(builder_.AddDescription("Other."), XBrokenInvariantsError);
    EXPECT_THROW(builder_.AddDatakey({"x"}), XBrokenInvariantsError);
    EXPECT_THROW(builder_.DependsOn({'b'}), XBrokenInvariantsError);

    const auto option = builder_.Build();
    EXPECT_EQ(option->GetShortFlag(), 'p');
    EXPECT_EQ(option->GetLongFlag(), "port");
    EXPECT_EQ(option->GetDescription(), "Port.");
    EXPECT_EQ(option->GetDatakey(), (std::vector<std::string>{"outer", "inner"}));
    EXPECT_EQ(option->GetFlagDependencies(), (std::unordered_set<char>{'a'}));
    EXPECT_EQ(option->GetMutuallyExclusiveFlags(), (std::unordered_set<char>{'z'}));
}

TEST_F(OptionBuilderTest, BuildCarriesEveryValueAndEmptiesTheBuilder) {
    int validatorCalls = 0;
    builder_.AddFlags('t', "timeout")
        .AddDescription("Line one.\n    Line two.")
        .AddDatakey({"Capabilities", "common.test.max-step-time"})
        .AddOptionRequirement(OptionRequirementEnum::RequiredForBoth)
        .AddInputValueType(InputValueTypeEnum::Unsigned)
        .AddValidator([&validatorCalls](const std::string& text) {
            ++validatorCalls;
            return text == "ok";
        })
        .DependsOn({'u', 'n'})
        .MutuallyExclusiveWith({'x'});
    const auto option = builder_.Build();
    EXPECT_EQ(option->GetOptionRequirement(), OptionRequirementEnum::RequiredForBoth);
    EXPECT_EQ(option->GetValueType(), InputValueTypeEnum::Unsigned);
    EXPECT_EQ(option->GetDescription(), "Line one.\n    Line two.");
    EXPECT_EQ(option->GetFlagDependencies(), (std::unordered_set<char>{'u', 'n'}));
    const auto validator = option->GetValidator();
    ASSERT_TRUE(validator);
    EXPECT_TRUE(validator("ok"));
    EXPECT_FALSE(validator("no"));
    EXPECT_EQ(validatorCalls, 2);

    // Every setter accepts a value again, and nothing of the first option leaks
    // into the second.
    for (const auto& refusal : kSetterRefusals) {
        refusal.validCall(builder_);
    }
    builder_.AddFlags('v', "verbose");
    const auto second = builder_.Build();
    EXPECT_EQ(second->GetShortFlag(), 'v');
    EXPECT_EQ(second->GetDatakey(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(second->GetMutuallyExclusiveFlags(), (std::unordered_set<char>{'z'}));
}

TEST_F(OptionBuilderTest, FailedBuildKeepsThePendingValues) {
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { builder_.Build(); }, "Both short and long flags are not set for the option."));

    builder_.AddDescription("Kept.")
        .AddInputValueType(InputValueTypeEnum::Boolean)
        .AddFlags('v', "verbose");
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { builder_.Build(); }, "Option requirement is not set for the option: --verbose"));
    EXPECT_THROW(builder_.AddDescription("Again."), XBrokenInvariantsError);
    builder_.AddOptionRequirement(OptionRequirementEnum::Optional);
    EXPECT_EQ(builder_.Build()->GetDescription(), "Kept.");
}

TEST(OptionBuilderConstructionTest, RefusesANullFactory) {
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [] { VekCommandOptionBuilder builder(nullptr); }, "Null command option factory provided."));
}

VekCommandOptionConstructorParameterPack CompletePack() {
    VekCommandOptionConstructorParameterPack pack;
    pack.description = "Port.";
    pack.optionRequirement = OptionRequirementEnum::Optional;
    pack.valueType = InputValueTypeEnum::Integer;
    pack.shortFlag = 'p';
    pack.longFlag = "port";
    return pack;
}

TEST(VekCommandOptionTest, RefusesEachInconsistencyInOrder) {
    struct Case {
        const char* name;
        std::function<void(VekCommandOptionConstructorParameterPack&)> change;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"no flags",
         [](auto& p) {
             p.shortFlag = 0;
             p.longFlag.clear();
             p.description.clear();
         },
         "Both short and long flags are not set for the option."},
        {"no long flag", [](auto& p) { p.longFlag.clear(); },
         "Long flag not set for the option: -p"},
        {"non-alphanumeric short flag",
         [](auto& p) {
             p.shortFlag = '?';
             p.description.clear();
         },
         "Short flag is not set for the option: --port"},
        {"no description",
         [](auto& p) {
             p.description.clear();
             p.valueType = InputValueTypeEnum::Unknown;
         },
         "Description not set for the option: --port"},
        {"unknown value type",
         [](auto& p) {
             p.valueType = InputValueTypeEnum::Unknown;
             p.optionRequirement = OptionRequirementEnum::Unknown;
         },
         "Expected input value type is not set for the option: --port"},
        {"unknown requirement",
         [](auto& p) { p.optionRequirement = OptionRequirementEnum::Unknown; },
         "Option requirement is not set for the option: --port"},
        {"required for JSON without datakey",
         [](auto& p) { p.optionRequirement = OptionRequirementEnum::RequiredForJson; },
         "Datakey required but, not set for the option: --port"},
        {"required for both without datakey",
         [](auto& p) { p.optionRequirement = OptionRequirementEnum::RequiredForBoth; },
         "Datakey required but, not set for the option: --port"},
        {"dependency also excluded",
         [](auto& p) {
             p.flagDependencies = {'a', 'b'};
             p.mutuallyExclusiveFlags = {'b'};
         },
         "Cannot have a flag as a dependency while being mutually exclusive with. Long Flag: "
         "--port. Intersection: b"},
        {"dependency also excluded, other insertion order",
         [](auto& p) {
             p.flagDependencies = {'b', 'a'};
             p.mutuallyExclusiveFlags = {'c', 'b'};
         },
         "Cannot have a flag as a dependency while being mutually exclusive with. Long Flag: "
         "--port. Intersection: b"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        auto pack = CompletePack();
        testCase.change(pack);
        EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
            [&] { VekCommandOption option(pack); }, testCase.message));
    }
}

TEST(VekCommandOptionTest, AcceptsOptionsNotRequiredForJsonWithoutDatakey) {
    for (const auto requirement :
         {OptionRequirementEnum::RequiredForCli, OptionRequirementEnum::Optional}) {
        auto pack = CompletePack();
        pack.optionRequirement = requirement;
        // Naming itself or flags no option has is the command's business.
        pack.flagDependencies = {'p', 'q'};
        VekCommandOption option(pack);
        EXPECT_TRUE(option.GetDatakey().empty());
        EXPECT_FALSE(option.GetValidator());
    }
}

TEST(VekCommandOptionFactoryTest, ReplacesTheOutParameterOnlyOnSuccess) {
    VekCommandOptionFactory factory;
    std::unique_ptr<IVekCommandOption> out;
    factory.Create(CompletePack(), out);
    ASSERT_TRUE(out);
    const IVekCommandOption* first = out.get();

    auto broken = CompletePack();
    broken.description.clear();
    EXPECT_THROW(factory.Create(broken, out), XBrokenInvariantsError);
    EXPECT_EQ(out.get(), first);

    auto other = CompletePack();
    other.longFlag = "other";
    factory.Create(other, out);
    EXPECT_EQ(out->GetLongFlag(), "other");
}

TEST(VekCommandOptionBuilderFactoryTest, HandsEveryNewBuilderTheSameOptionFactory) {
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [] { VekCommandOptionBuilderFactory factory(nullptr); },
        "VekCommandOptionFactory is null"));

    auto optionFactory = std::make_shared<MockVekCommandOptionFactory>();
    EXPECT_CALL(*optionFactory, Create(_, _))
        .Times(2)
        .WillRepeatedly([](const VekCommandOptionConstructorParameterPack& pack,
                           std::unique_ptr<IVekCommandOption>& out) {
            out = std::make_unique<VekCommandOption>(pack);
        });
    VekCommandOptionBuilderFactory factory(optionFactory);
    std::shared_ptr<IVekCommandOptionBuilder> first;
    std::shared_ptr<IVekCommandOptionBuilder> second;
    factory.Create(first);
    factory.Create(second);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    for (const auto& builder : {first, second}) {
        builder->AddFlags('a', "all")
            .AddDescription("All.")
            .AddInputValueType(InputValueTypeEnum::Boolean)
            .AddOptionRequirement(OptionRequirementEnum::Optional);
        EXPECT_EQ(builder->Build()->GetLongFlag(), "all");
    }
}

TEST(ValidatorTest, TimeoutValidator) {
    const TimeoutValidator validator;
    EXPECT_TRUE(validator("0"));
    EXPECT_TRUE(validator("30s"));
    EXPECT_TRUE(validator(" 7"));
    EXPECT_TRUE(validator("+9223372036854775807"));
    EXPECT_FALSE(validator("-1"));
    EXPECT_FALSE(validator("-9223372036854775808"));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { validator("abc"); },
        "stoll. Invalid timeout: abc. Timeout must be a non-negative number (>=0)."));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { validator(""); },
        "stoll. Invalid timeout: . Timeout must be a non-negative number (>=0)."));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { validator("99999999999999999999"); },
        "stoll. Timeout out of integer range: 99999999999999999999. Timeout must be a "
        "non-negative number (>=0)."));
}

TEST(ValidatorTest, MaxDownloadsBytesValidator) {
    const MaxDownloadsBytesValidator validator;
    EXPECT_TRUE(validator("<Bytes.Invalid>"));
    EXPECT_TRUE(validator("0"));
    EXPECT_TRUE(validator("5000000 bytes"));
    EXPECT_FALSE(validator("-5"));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { validator(""); },
        "stoll. Invalid maximum download bytes: . Must be a valid integer."));
    // Only the exact literal is special.
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { validator("<bytes.invalid>"); },
        "stoll. Invalid maximum download bytes: <bytes.invalid>. Must be a valid integer."));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { validator("-99999999999999999999"); },
        "stoll. Invalid maximum download bytes: -99999999999999999999. Must be within the range "
        "of a 64-bit integer."));
}

TEST(ValidatorTest, InclusiveRangeValidator) {
    const InclusiveRangeValidator<std::uint64_t> validator(1, 10);
    EXPECT_TRUE(validator("1"));
    EXPECT_TRUE(validator("10"));
    EXPECT_TRUE(validator(" 5x"));
    EXPECT_FALSE(validator("11"));
    EXPECT_FALSE(validator("0"));
    EXPECT_FALSE(validator("-1"));  // wraps to the largest unsigned value
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { validator("ten"); }, "stoull. Invalid input: ten. Valid range: 1 to 10"));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { validator("18446744073709551616"); },
        "stoull. Input out of range: 18446744073709551616. Valid range: 1 to 10"));

    const InclusiveRangeValidator<std::uint64_t> unbounded(
        1, std::numeric_limits<std::uint64_t>::max());
    EXPECT_TRUE(unbounded("18446744073709551615"));
    EXPECT_TRUE(unbounded("-1"));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { unbounded(""); }, "stoull. Invalid input: . Valid range: 1 to 18446744073709551615"));

    // Bounds of a narrower type print as numbers, not characters.
    const InclusiveRangeValidator<unsigned char> narrow(65, 66);
    EXPECT_TRUE(narrow("66"));
    EXPECT_FALSE(narrow("322"));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { narrow("x"); }, "stoull. Invalid input: x. Valid range: 65 to 66"));
}

TEST(ValidatorTest, ValidatorsPlugIntoTheBuilder) {
    VekCommandOptionBuilder builder(std::make_shared<VekCommandOptionFactory>());
    const auto option = builder.AddFlags('l', "maxCommandLength")
                            .AddDescription("Limit.")
                            .AddInputValueType(InputValueTypeEnum::Unsigned)
                            .AddOptionRequirement(OptionRequirementEnum::Optional)
                            .AddValidator(InclusiveRangeValidator<std::uint64_t>(1, 1000))
                            .Build();
    EXPECT_TRUE(option->GetValidator()("1000"));
    EXPECT_FALSE(option->GetValidator()("1001"));
}

}  // namespace
}  // namespace VekLibrary::IoHandler
