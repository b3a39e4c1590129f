#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "IoHandlerTestSupport.h"
#include "domain/Exceptions.h"
#include "iohandler/IoHandlerErrors.h"
#include "iohandler/JsonInputParserAdapter.h"
#include "mocks/MockJsonWrapper.h"
#include "mocks/MockStreamInputHandler.h"
#include "serialization/NlohmannJsonWrapperFactory.h"
#include "serialization/XJsonError.h"

namespace VekLibrary::IoHandler {
namespace {

using Serialization::IJsonWrapper;
using Serialization::MockJsonWrapper;
using Serialization::XJsonError;
using Testing::MakeOptions;
using Testing::OptionShape;
using Testing::ThrowsWithMessage;
using Type = InputValueTypeEnum;
using Req = OptionRequirementEnum;
using ::testing::Return;
using namespace std::chrono_literals;

std::shared_ptr<IJsonWrapper> NewDocument() {
    std::shared_ptr<IJsonWrapper> document;
    Serialization::NlohmannJsonWrapperFactory().Create(document);
    return document;
}

class JsonInputParserAdapterTest : public ::testing::Test {
protected:
    // Parses `line` as if it had arrived on standard input.
    ParsedOptionValues Parse(const std::string& line, const std::vector<OptionShape>& shapes) {
        EXPECT_CALL(*reader_, ReadInput(5000ms)).WillOnce(Return(line));
        options_ = MakeOptions(shapes);
        return adapter_.Parse(1, nullptr, options_);
    }

    std::shared_ptr<MockStreamInputHandler> reader_ = std::make_shared<MockStreamInputHandler>();
    JsonInputParserAdapter adapter_{NewDocument(), reader_, 5000ms};
    VekCommandOptionList options_;
};

TEST_F(JsonInputParserAdapterTest, ConstructorRefusals) {
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { JsonInputParserAdapter adapter(nullptr, nullptr, 0ms); },
        "Could not create JsonInputParserAdapter object. Null json wrapper provided."));
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { JsonInputParserAdapter adapter(NewDocument(), nullptr, 0ms); },
        "Could not create JsonInputParserAdapter object. Null stdin input handler provided."));
    for (const auto timeout : {0ms, -5000ms}) {
        EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
            [&] { JsonInputParserAdapter adapter(NewDocument(), reader_, timeout); },
            "Could not create JsonInputParserAdapter object. Non-positive stdin timeout "
            "provided."));
    }
}

TEST_F(JsonInputParserAdapterTest, ReaderAndDocumentFailures) {
    const std::vector<OptionShape> shapes = {{'u', "url", Type::String, Req::Optional, {"u"}}};
    options_ = MakeOptions(shapes);
    EXPECT_CALL(*reader_, ReadInput(5000ms))
        .WillOnce(
            ::testing::Throw(XInputOutputError("Timed out while waiting for input from stdin.")))
        .WillOnce(Return(""))
        .WillOnce(Return("{\"u\":"))
        .WillOnce(Return("{\"u\":\"a\"} {}"))
        .WillOnce(Return("\"u\""));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { adapter_.Parse(1, nullptr, options_); },
        "Unable to read test input. Timed out while waiting for input from stdin."));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { adapter_.Parse(1, nullptr, options_); },
        "Empty string provided when a serialized Json was required."));
    for (int twice = 0; twice < 2; ++twice) {
        EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
            [&] { adapter_.Parse(1, nullptr, options_); },
            "Invalid JSON input provided. Failed to parse the input string."));
    }
    // A root that is not an object cannot be looked into.
    EXPECT_TRUE(
        ThrowsWithMessage<XInvalidTestInputError>([&] { adapter_.Parse(1, nullptr, options_); },
                                                  "Error occurred when trying to lookup key: u"));
}

TEST_F(JsonInputParserAdapterTest, ValueTypeTable) {
    struct Case {
        Type type;
        const char* json;
        const char* text;     // expected text, or nullptr when refused
        const char* message;  // refusal message
    };
    const char* kBool = "Input value of type boolean was expected.";
    const char* kDouble = "Input value of type double was expected.";
    const char* kInt = "Input value of type integer was expected.";
    const char* kString = "Input value of type string was expected.";
    const char* kUnsigned = "Input value of type unsigned integer was expected.";
    const std::vector<Case> cases = {
        {Type::Any, "\"a b\"", "a b", nullptr},
        {Type::Any, "5", "5", nullptr},
        {Type::Any, "-2.5", "-2.5", nullptr},
        {Type::Any, "null", "null", nullptr},
        {Type::Any, "true", "true", nullptr},
        {Type::Any, "{ \"b\" : [1, \"x\"] , \"a\":{}}", "{\"a\":{},\"b\":[1,\"x\"]}", nullptr},
        {Type::Any, "\"\"", "", nullptr},
        {Type::Boolean, "true", "true", nullptr},
        {Type::Boolean, "false", "false", nullptr},
        {Type::Boolean, "\"true\"", nullptr, kBool},
        {Type::Boolean, "1", nullptr, kBool},
        {Type::Boolean, "null", nullptr, kBool},
        {Type::Double, "3", "3", nullptr},
        {Type::Double, "2.5", "2.5", nullptr},
        {Type::Double, "-1", "-1", nullptr},
        {Type::Double, "1e400", nullptr,
         "Invalid JSON input provided. Failed to parse the input string."},
        {Type::Double, "\"2.5\"", nullptr, kDouble},
        {Type::Double, "null", nullptr, kDouble},
        {Type::Integer, "22", "22", nullptr},
        {Type::Integer, "-1", "-1", nullptr},
        {Type::Integer, "18446744073709551615", "18446744073709551615", nullptr},
        {Type::Integer, "\"22\"", nullptr, kInt},
        {Type::Integer, "2.5", nullptr, kInt},
        {Type::Integer, "false", nullptr, kInt},
        {Type::String, "\"x\\u00e9\\n\"", "x\xc3\xa9\n", nullptr},
        {Type::String, "5", nullptr, kString},
        {Type::String, "[\"x\"]", nullptr, kString},
        {Type::String, "null", nullptr, kString},
        {Type::Unsigned, "5", "5", nullptr},
        {Type::Unsigned, "0", "0", nullptr},
        {Type::Unsigned, "-1", nullptr, kUnsigned},
        {Type::Unsigned, "5.0", nullptr, kUnsigned},
        {Type::Unsigned, "\"5\"", nullptr, kUnsigned},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(testCase.type)) + " " + testCase.json);
        const std::string document = std::string("{\"v\":") + testCase.json + "}";
        const std::vector<OptionShape> shapes = {
            {'v', "value", testCase.type, Req::Optional, {"v"}}};
        if (testCase.text != nullptr) {
            EXPECT_EQ(Parse(document, shapes), (ParsedOptionValues{{'v', testCase.text}}));
        } else {
            EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>([&] { Parse(document, shapes); },
                                                                  testCase.message));
        }
    }
}

TEST_F(JsonInputParserAdapterTest, PlaceholdersAndLookups) {
    const std::vector<OptionShape> shapes = {
        {'u', "url", Type::String, Req::RequiredForBoth, {"Capabilities", "test.common.url"}},
        {'6',
         "useIpv6",
         Type::Boolean,
         Req::RequiredForJson,
         {"Capabilities", "test.common.use-ipv6"}},
        {'p', "port", Type::Integer, Req::RequiredForCli, {"Capabilities", "port"}},
        {'i', "id", Type::String, Req::Optional, {"Capabilities", "common.test.test-id"}},
        {'d', "deep", Type::Integer, Req::Optional, {"a", "b", "c", "d"}},
        {'x', "unsecured", Type::Boolean, Req::Optional},  // not reachable through JSON
    };
    // Keys are single names: the dotted keys are not paths.
    EXPECT_EQ(Parse("{\"Capabilities\":{\"test.common.url\":\"h\",\"x\":1},"
                    "\"a\":{\"b\":{\"c\":{\"d\":-3}}},\"x\":true}",
                    shapes),
              (ParsedOptionValues{{'u', "h"}, {'6', ""}, {'d', "-3"}}));
    EXPECT_EQ(Parse("{\"Capabilities\":{\"test\":{\"common\":{\"url\":\"h\"}}}}", shapes),
              (ParsedOptionValues{{'u', ""}, {'6', ""}}));
    EXPECT_EQ(Parse("{\"Capabilities\":{}, \"a\":{\"b\":{}}}", shapes),
              (ParsedOptionValues{{'u', ""}, {'6', ""}}));
    // A key along the path that holds no object: the last key of the path is named.
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { Parse("{\"Capabilities\":{},\"a\":{\"b\":\"str\"}}", shapes); },
        "Error occurred when trying to lookup key: d"));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { Parse("{\"Capabilities\":[]}", shapes); },
        "Error occurred when trying to lookup key: test.common.url"));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { Parse("[1,2]", shapes); },
        "Error occurred when trying to lookup key: test.common.url"));
}

TEST_F(JsonInputParserAdapterTest, RefusesANullOption) {
    options_.push_back(nullptr);
    EXPECT_CALL(*reader_, ReadInput(5000ms)).WillOnce(Return("{}"));
    EXPECT_TRUE(ThrowsWithMessage<XBrokenInvariantsError>(
        [&] { adapter_.Parse(1, nullptr, options_); }, "Command option cannot be null."));
}

TEST_F(JsonInputParserAdapterTest, GetOptionNodeWalksThePath) {
    EXPECT_CALL(*reader_, ReadInput(5000ms)).WillOnce(Return("{\"a\":{\"b\":7},\"s\":\"t\"}"));
    adapter_.Parse(1, nullptr, options_);
    const auto node = adapter_.GetOptionNode({"a", "b"});
    ASSERT_TRUE(node);
    EXPECT_EQ(node->ToString(), "7");
    EXPECT_FALSE(adapter_.GetOptionNode({"a", "c", "d"}));
    EXPECT_FALSE(adapter_.GetOptionNode({"z"}));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] {
            adapter_.GetOptionNode({"s", "t", "u"});
        },
        "Error occurred when trying to lookup key: u"));
}

TEST_F(JsonInputParserAdapterTest, ConversionEdgeCases) {
    const auto node = NewDocument();
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { adapter_.GetInputValueAsString(*node, Type::Unknown); },
        "Unknown input value type, cannot determine string representation."));
    EXPECT_EQ(adapter_.GetInputValueAsString(*node, static_cast<Type>(42)), "");

    MockJsonWrapper failing;
    EXPECT_CALL(failing, IsString())
        .WillOnce(::testing::Throw(
            XJsonError("Unable to check if current node type is string.", "broken")))
        .WillOnce(Return(false));
    EXPECT_CALL(failing, ToString()).WillOnce(::testing::Throw(std::out_of_range("out of range")));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { adapter_.GetInputValueAsString(failing, Type::String); },
        "Invalid JSON test input provided via stdin. Unable to check if current node type is "
        "string.. [Extra] broken"));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { adapter_.GetInputValueAsString(failing, Type::Any); },
        "Invalid JSON test input provided via stdin. out of range"));
}

TEST_F(JsonInputParserAdapterTest, DeeplyNestedDocumentsAreRefusedBeforeParsing) {
    const std::vector<OptionShape> shapes = {{'p', "password", Type::Any, Req::Optional, {"p"}}};
    // At the limit an `Any` value still serializes.
    const std::string limit = "{\"p\":" + std::string(999, '[') + std::string(999, ']') + "}";
    EXPECT_EQ(Parse(limit, shapes).at('p').size(), 2 * 999u);
    // Brackets inside strings do not count.
    const std::string quoted = "{\"p\":\"" + std::string(5000, '[') + "\\\"\"}";
    EXPECT_EQ(Parse(quoted, shapes).at('p'), std::string(5000, '[') + "\"");

    const std::string deep = "{\"p\":" + std::string(200000, '[') + std::string(200000, ']') + "}";
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { Parse(deep, shapes); },
        "Invalid JSON input provided. Arrays and objects are nested deeper than 1000 levels."));
    EXPECT_TRUE(ThrowsWithMessage<XInvalidTestInputError>(
        [&] { Parse(std::string(1001, '{'), shapes); },
        "Invalid JSON input provided. Arrays and objects are nested deeper than 1000 levels."));
}

}  // namespace
}  // namespace VekLibrary::IoHandler
