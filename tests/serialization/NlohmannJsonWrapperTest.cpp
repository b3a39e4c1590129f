#include "serialization/NlohmannJsonWrapper.h"

#include <limits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "mocks/MockJsonWrapper.h"
#include "serialization/NlohmannJsonWrapperFactory.h"
#include "serialization/SerializationLibraryFactoryProvider.h"
#include "serialization/XJsonError.h"

namespace VekLibrary::Serialization {
namespace {

using ::testing::NiceMock;

// The what() text of the XJsonError that `operation` throws.
template <typename Operation>
std::string JsonErrorOf(Operation&& operation) {
    try {
        operation();
    } catch (const XJsonError& error) {
        return error.what();
    }
    ADD_FAILURE() << "no XJsonError was thrown";
    return {};
}

std::shared_ptr<IJsonWrapper> NewDocument() {
    std::shared_ptr<IJsonWrapper> document;
    NlohmannJsonWrapperFactory().Create(document);
    return document;
}

std::shared_ptr<IJsonWrapper> Parsed(const std::string& text) {
    auto document = NewDocument();
    document->Parse(text);
    return document;
}

TEST(SerializationLibraryFactoryProviderTest, HandsOutOneFactoryThatMakesIndependentDocuments) {
    SerializationLibraryFactoryProvider provider;
    auto factory = provider.GetJsonWrapperFactory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory, provider.GetJsonWrapperFactory());

    std::shared_ptr<IJsonWrapper> first;
    std::shared_ptr<IJsonWrapper> second;
    factory->Create(first);
    factory->Create(second);
    first->Set("k", 1L);
    EXPECT_EQ(first->ToString(), R"({"k":1})");
    EXPECT_EQ(second->ToString(), "{}");
}

TEST(NlohmannJsonWrapperTest, NullSubnodeIsRefused) {
    EXPECT_EQ(JsonErrorOf([] { NlohmannJsonWrapper wrapper(nullptr); }),
              "Subnode provided is null.");
}

TEST(NlohmannJsonWrapperTest, WritesCompactlyWithMembersInAscendingByteOrder) {
    auto document = NewDocument();
    // Bytes from 0x80 up sort after ASCII; upper case before lower case.
    document->Set("b", 2L);
    document->Set("\xc3\xa9", std::string("e-acute"));
    document->Set("a", true);
    document->Set("B", 1UL);
    document->Set("a.b", 0.5);
    document->Set("a-b", -3L);
    document->SetNull("z");
    document->CreateEmptyObject("o");
    document->PushBack("arr", 1L);
    document->PushBack("arr", "x");
    EXPECT_EQ(document->ToString(),
              "{\"B\":1,\"a\":true,\"a-b\":-3,\"a.b\":0.5,\"arr\":[1,\"x\"],\"b\":2,\"o\":{},"
              "\"z\":null,\"\xc3\xa9\":\"e-acute\"}");
}

TEST(NlohmannJsonWrapperTest, SetReplacesAnExistingMemberWhateverItsType) {
    auto document = NewDocument();
    document->Set("k", "text");
    document->Set("k", 42L);
    EXPECT_EQ(document->ToString(), R"({"k":42})");
    document->Set("k", false);
    document->SetNull("k");
    EXPECT_EQ(document->ToString(), R"({"k":null})");
}

TEST(NlohmannJsonWrapperTest, StdStringKeepsEmbeddedNulBytesWhileCStringEndsAtTheFirst) {
    auto document = NewDocument();
    document->Set("k", std::string("ab\0cd", 5));
    document->PushBack("a", std::string("x\0y", 3));
    document->Set("c", "ab\0cd");
    EXPECT_EQ(document->ToString(), R"({"a":["x\u0000y"],"c":"ab","k":"ab\u0000cd"})");

    std::string back;
    document->TryGet("k")->GetAs(back);
    EXPECT_EQ(back, std::string("ab\0cd", 5));
}

TEST(NlohmannJsonWrapperTest, ChangesAreVisibleThroughEveryWrapperOfTheDocument) {
    auto document = NewDocument();
    auto inner = document->CreateEmptyObject("inner");
    inner->Set("x", 1L);
    auto again = document->TryGet("inner");
    ASSERT_NE(again, nullptr);
    again->Set("y", 2L);
    EXPECT_EQ(inner->ToString(), R"({"x":1,"y":2})");
    EXPECT_EQ(document->ToString(), R"({"inner":{"x":1,"y":2}})");
}

TEST(NlohmannJsonWrapperTest, ReturnedWrapperKeepsTheDocumentAlive) {
    std::shared_ptr<IJsonWrapper> inner;
    {
        auto document = NewDocument();
        inner = document->CreateEmptyObject("inner");
        document->Set("other", 1L);
    }
    inner->Set("still", "here");
    EXPECT_EQ(inner->ToString(), R"({"still":"here"})");
}

TEST(NlohmannJsonWrapperTest, SetWithAWrapperCopiesDeeply) {
    auto source = Parsed(R"({"a":[1,2]})");
    auto target = NewDocument();
    auto stored = target->Set("copy", std::shared_ptr<const IJsonWrapper>(source));
    source->Set("a", 0L);
    stored->Set("b", 1L);
    EXPECT_EQ(target->ToString(), R"({"copy":{"a":[1,2],"b":1}})");
    EXPECT_EQ(source->ToString(), R"({"a":0})");

    // A document may be stored into itself: the copy is taken before the insert.
    target->Set("self", std::shared_ptr<const IJsonWrapper>(target));
    EXPECT_EQ(target->ToString(),
              R"({"copy":{"a":[1,2],"b":1},"self":{"copy":{"a":[1,2],"b":1}}})");
}

TEST(NlohmannJsonWrapperTest, CreateEmptyObjectEmptiesAFilledObject) {
    auto document = Parsed(R"({"o":{"a":1},"p":2})");
    auto emptied = document->CreateEmptyObject("o");
    EXPECT_TRUE(emptied->IsObject());
    EXPECT_EQ(document->ToString(), R"({"o":{},"p":2})");
}

TEST(NlohmannJsonWrapperTest, PushBackAppendsCopiesInCallOrder) {
    auto document = NewDocument();
    auto element = NewDocument();
    element->Set("n", 1L);
    document->PushBack("list", element);
    element->Set("n", 2L);
    document->PushBack("list", element);
    auto last = document->PushBack("list", 3.25);
    EXPECT_TRUE(last->IsDouble());
    document->PushBack("list", false);
    document->PushBack("list", 7UL);
    document->PushBack("list", std::string("s"));
    EXPECT_EQ(document->ToString(), R"({"list":[{"n":1},{"n":2},3.25,false,7,"s"]})");

    auto pushed = document->PushBack("objects", NewDocument());
    pushed->Set("k", 1L);
    EXPECT_EQ(document->TryGet("objects")->ToString(), R"([{"k":1}])");
}

TEST(NlohmannJsonWrapperTest, TryGetFindsMembersAndReturnsEmptyForMissingOnes) {
    auto document = Parsed(R"({"a.b":{"c":"d"}})");
    EXPECT_EQ(document->TryGet("a"), nullptr);
    auto nested = document->TryGet("a.b");
    ASSERT_NE(nested, nullptr);
    std::string value;
    nested->TryGet("c")->GetAs(value);
    EXPECT_EQ(value, "d");

    std::shared_ptr<const IJsonWrapper> readOnly = document;
    EXPECT_EQ(readOnly->TryGet("missing"), nullptr);
    EXPECT_EQ(readOnly->TryGet("a.b")->ToString(), R"({"c":"d"})");
}

TEST(NlohmannJsonWrapperTest, GetAsReadsAndConvertsNumbers) {
    auto document = Parsed(R"({"f":2.9,"neg":-1,"big":18446744073709551615,"t":true,"s":"x"})");
    long asLong = 0;
    document->TryGet("f")->GetAs(asLong);
    EXPECT_EQ(asLong, 2);
    unsigned long asUnsigned = 0;
    document->TryGet("neg")->GetAs(asUnsigned);
    EXPECT_EQ(asUnsigned, 18446744073709551615UL);
    document->TryGet("big")->GetAs(asUnsigned);
    EXPECT_EQ(asUnsigned, 18446744073709551615UL);
    double asDouble = 0;
    document->TryGet("neg")->GetAs(asDouble);
    EXPECT_EQ(asDouble, -1.0);
    bool asBool = false;
    document->TryGet("t")->GetAs(asBool);
    EXPECT_TRUE(asBool);
    std::string asString;
    document->TryGet("s")->GetAs(asString);
    EXPECT_EQ(asString, "x");
}

TEST(NlohmannJsonWrapperTest, GetAsRefusesOtherTypesWithTheLibraryText) {
    auto document = Parsed(R"({"n":5,"t":true,"s":"x","o":{}})");
    std::string asString;
    long asLong = 0;
    bool asBool = false;
    EXPECT_EQ(JsonErrorOf([&] { document->TryGet("n")->GetAs(asString); }),
              "Error in extracting value from node.. [Extra] [json.exception.type_error.302] type "
              "must be string, but is number");
    EXPECT_EQ(JsonErrorOf([&] { document->TryGet("t")->GetAs(asLong); }),
              "Error in extracting value from node.. [Extra] [json.exception.type_error.302] type "
              "must be number, but is boolean");
    EXPECT_EQ(JsonErrorOf([&] { document->TryGet("o")->GetAs(asBool); }),
              "Error in extracting value from node.. [Extra] [json.exception.type_error.302] type "
              "must be boolean, but is object");
}

TEST(NlohmannJsonWrapperTest, GetAsRefusesFloatsOutsideTheIntegerRange) {
    auto document =
        Parsed(R"({"huge":1e300,"negative":-2.0,"small":-0.5,"low":-9.2233720368547758e18})");
    long asLong = 0;
    unsigned long asUnsigned = 0;
    EXPECT_EQ(JsonErrorOf([&] { document->TryGet("huge")->GetAs(asLong); }),
              "Error in extracting value from node.. [Extra] floating-point value 1e+300 is out "
              "of the range of a signed 64-bit integer");
    EXPECT_THROW(document->TryGet("huge")->GetAs(asUnsigned), XJsonError);
    EXPECT_THROW(document->TryGet("negative")->GetAs(asUnsigned), XJsonError);
    document->TryGet("small")->GetAs(asUnsigned);
    EXPECT_EQ(asUnsigned, 0UL);
    document->TryGet("low")->GetAs(asLong);
    EXPECT_EQ(asLong, std::numeric_limits<long>::min());

    // Only Set can store these; the detail names them instead of printing "null".
    document->Set("inf", std::numeric_limits<double>::infinity());
    document->Set("nan", std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(JsonErrorOf([&] { document->TryGet("inf")->GetAs(asLong); }),
              "Error in extracting value from node.. [Extra] floating-point value inf is out "
              "of the range of a signed 64-bit integer");
    EXPECT_EQ(JsonErrorOf([&] { document->TryGet("nan")->GetAs(asUnsigned); }),
              "Error in extracting value from node.. [Extra] floating-point value NaN is out "
              "of the range of an unsigned 64-bit integer");
}

struct TypeCase {
    const char* text;
    bool isNull, isBool, isObject, isArray, isInt, isUnsigned, isDouble, isString;
};

class TypeTestsTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TypeTestsTest, ReportTheParsedNodeType) {
    const TypeCase& c = GetParam();
    auto node = Parsed(std::string(R"({"v":)") + c.text + "}")->TryGet("v");
    EXPECT_EQ(node->IsNull(), c.isNull);
    EXPECT_EQ(node->IsBool(), c.isBool);
    EXPECT_EQ(node->IsObject(), c.isObject);
    EXPECT_EQ(node->IsArray(), c.isArray);
    EXPECT_EQ(node->IsInt(), c.isInt);
    EXPECT_EQ(node->IsUnsigned(), c.isUnsigned);
    EXPECT_EQ(node->IsDouble(), c.isDouble);
    EXPECT_EQ(node->IsString(), c.isString);
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, TypeTestsTest,
    ::testing::Values(TypeCase{"null", true, false, false, false, false, false, false, false},
                      TypeCase{"true", false, true, false, false, false, false, false, false},
                      TypeCase{"{}", false, false, true, false, false, false, false, false},
                      TypeCase{"[]", false, false, false, true, false, false, false, false},
                      TypeCase{"5", false, false, false, false, true, true, true, false},
                      TypeCase{"-5", false, false, false, false, true, false, true, false},
                      TypeCase{"2.5", false, false, false, false, false, false, true, false},
                      TypeCase{"\"5\"", false, false, false, false, false, false, false, true}));

TEST(NlohmannJsonWrapperTest, SetWithSignedValueStoresASignedInteger) {
    auto document = NewDocument();
    auto stored = document->Set("k", 5L);
    EXPECT_TRUE(stored->IsInt());
    EXPECT_FALSE(stored->IsUnsigned());
    EXPECT_TRUE(document->Set("u", 5UL)->IsUnsigned());
}

// Each facade refusal: the operation on a suitable receiver and the exact text.
TEST(NlohmannJsonWrapperTest, FacadeErrorsNameTheOperationAndKey) {
    auto document = Parsed(R"({"s":"text","a":[1]})");
    auto text = document->TryGet("s");
    auto array = document->TryGet("a");
    auto foreign = std::make_shared<NiceMock<MockJsonWrapper>>();
    const char* noString = nullptr;

    EXPECT_EQ(JsonErrorOf([&] { text->Set("k", 1L); }),
              "Node is not an object. Error in setting value at key: k");
    EXPECT_EQ(JsonErrorOf([&] { array->Set("k", std::string("v")); }),
              "Node is not an object. Error in setting value at key: k");
    EXPECT_EQ(JsonErrorOf([&] { document->Set("k", noString); }),
              "null value provided instead of string for key: k");
    EXPECT_EQ(JsonErrorOf([&] { text->Set("k", std::shared_ptr<const IJsonWrapper>(document)); }),
              "Current node is not an object. Error in setting value at key: k");
    EXPECT_EQ(JsonErrorOf([&] { document->Set("k", std::shared_ptr<const IJsonWrapper>()); }),
              "Null object passed to set at key: k");
    EXPECT_EQ(
        JsonErrorOf([&] { document->Set("k", std::shared_ptr<const IJsonWrapper>(foreign)); }),
        "Invalid object passed to set at key: k");
    EXPECT_EQ(JsonErrorOf([&] { text->SetNull("k"); }), "Current node is not an object.");
    EXPECT_EQ(JsonErrorOf([&] { array->CreateEmptyObject("k"); }),
              "Current node is not an object. Empty object could not be created at key: k");
    EXPECT_EQ(JsonErrorOf([&] { document->PushBack("k", std::shared_ptr<IJsonWrapper>()); }),
              "Cannot push null value at key: k");
    EXPECT_EQ(JsonErrorOf([&] { text->PushBack("k", 1L); }),
              "Current node is not an object. Value could not be pushed at key: k");
    EXPECT_EQ(JsonErrorOf([&] { document->PushBack("s", true); }),
              "Value can't be pushed. Node is not an array at key: s");
    EXPECT_EQ(JsonErrorOf([&] { document->PushBack("k", noString); }),
              "null value provided instead of string for key: k");
    EXPECT_EQ(JsonErrorOf([&] { text->TryGet("k"); }),
              "Current node is not an object. No internal node exists to be retrieved at key: k");
    EXPECT_EQ(JsonErrorOf([&] { std::shared_ptr<const IJsonWrapper>(array)->TryGet("k"); }),
              "Current node is not an object. No internal node exists to be retrieved at key: k");

    // None of the refusals changed the document.
    EXPECT_EQ(document->ToString(), R"({"a":[1],"s":"text"})");
}

TEST(NlohmannJsonWrapperTest, PushBackOfAForeignWrapperLeavesTheNewEmptyArray) {
    auto document = NewDocument();
    auto foreign = std::make_shared<NiceMock<MockJsonWrapper>>();
    EXPECT_EQ(JsonErrorOf([&] { document->PushBack("k", foreign); }),
              "Invalid value passed to be pushed for key: k");
    EXPECT_EQ(document->ToString(), R"({"k":[]})");
}

TEST(NlohmannJsonWrapperTest, EscapesWhatJsonRequiresAndKeepsUtf8) {
    const std::string text =
        "quote\" backslash\\ slash/ nl\n tab\t cr\r nul-less\x01\x1f del\x7f "
        "\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80";
    auto document = NewDocument();
    document->Set("k", text);
    const std::string written = document->ToString();
    EXPECT_EQ(written,
              "{\"k\":\"quote\\\" backslash\\\\ slash/ nl\\n tab\\t cr\\r nul-less\\u0001\\u001f "
              "del\x7f \xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80\"}");
    std::string readBack;
    Parsed(written)->TryGet("k")->GetAs(readBack);
    EXPECT_EQ(readBack, text);
}

TEST(NlohmannJsonWrapperTest, NumbersUseTheShortestFormThatReadsBack) {
    auto document = NewDocument();
    document->Set("a", 0.1);
    document->Set("b", -9223372036854775807L - 1);
    document->Set("c", 18446744073709551615UL);
    document->Set("d", 1e300);
    EXPECT_EQ(document->ToString(),
              R"({"a":0.1,"b":-9223372036854775808,"c":18446744073709551615,"d":1e+300})");
}

TEST(NlohmannJsonWrapperTest, InvalidUtf8FailsTheWholeSerialisation) {
    const std::string invalid[] = {"\xff",         "ab\xc3",   "\xc3\x28",
                                   "\xed\xa0\x80", "\xc0\xaf", "\xf4\x90\x80\x80"};
    for (const std::string& bytes : invalid) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        auto document = NewDocument();
        document->Set("good", "fine");
        document->CreateEmptyObject("nested")->Set("bad", bytes);
        EXPECT_EQ(JsonErrorOf([&] { (void)document->ToString(); }),
                  "Error while serializing the JSON object. Verify if a non utf-8 string stored "
                  "in JSON.");
        // A key is checked as strictly as a value.
        auto keyed = NewDocument();
        keyed->Set(bytes, 1L);
        EXPECT_THROW((void)keyed->ToString(), XJsonError);
    }
}

TEST(NlohmannJsonWrapperTest, ParseReplacesTheNodeContent) {
    auto document = Parsed(R"({"old":1})");
    document->Parse(" \n[1, {\"a\": null}]\t ");
    EXPECT_TRUE(document->IsArray());
    EXPECT_EQ(document->ToString(), R"([1,{"a":null}])");

    auto root = Parsed(R"({"inner":{"x":1},"y":2})");
    root->TryGet("inner")->Parse(R"("replaced")");
    EXPECT_EQ(root->ToString(), R"({"inner":"replaced","y":2})");
}

TEST(NlohmannJsonWrapperTest, ParseFailuresLeaveTheNodeUnchanged) {
    const char* invalid[] = {"",         "   ",     "[1,]",     "{\"a\":1,}",
                             "1 2",      "{} {}",   "// c\n{}", "{\"a\":1} /* c */",
                             "\"\xff\"", "{'a':1}", "[1"};
    for (const char* text : invalid) {
        SCOPED_TRACE(text);
        auto document = Parsed(R"({"kept":true})");
        EXPECT_EQ(JsonErrorOf([&] { document->Parse(text); }), "Failed to parse the input string.");
        EXPECT_EQ(document->ToString(), R"({"kept":true})");
    }

    // The whole string is parsed: an embedded NUL does not end the input early.
    for (const std::string& text :
         {std::string("{}\0", 3), std::string("{}\0garbage", 10), std::string("1\0 2", 4)}) {
        SCOPED_TRACE(testing::PrintToString(text));
        auto document = Parsed(R"({"kept":true})");
        EXPECT_EQ(JsonErrorOf([&] { document->Parse(text); }), "Failed to parse the input string.");
        EXPECT_EQ(document->ToString(), R"({"kept":true})");
    }
}

}  // namespace
}  // namespace VekLibrary::Serialization
