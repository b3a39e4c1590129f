// The facade writes documents with a writer of its own; whatever it writes must be
// byte for byte what the JSON library's dump writes, and it must refuse exactly the
// texts that the library refuses. Checked against the library itself.
#include <cstddef>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "serialization/NlohmannJsonWrapperFactory.h"
#include "serialization/XJsonError.h"

namespace VekLibrary::Serialization {
namespace {

using Json = nlohmann::json;

const char* const kInvalidUtf8Message =
    "Error while serializing the JSON object. Verify if a non utf-8 string stored in JSON.";

// The library's compact text, or "refused" when its strict check fails.
std::string LibraryText(const Json& node) {
    try {
        return node.dump(-1, ' ', false, Json::error_handler_t::strict);
    } catch (const Json::type_error&) {
        return "refused";
    }
}

// The facade's text of a document holding `value` under "k" and as a key.
std::string FacadeText(const std::string& value) {
    std::shared_ptr<IJsonWrapper> document;
    NlohmannJsonWrapperFactory().Create(document);
    document->Set("k", value);
    document->Set(value, 1L);
    try {
        return document->ToString();
    } catch (const XJsonError& error) {
        EXPECT_STREQ(error.what(), kInvalidUtf8Message);
        return "refused";
    }
}

std::string LibraryTextOf(const std::string& value) {
    Json document = Json::object();
    document["k"] = value;
    document[value] = 1L;
    return LibraryText(document);
}

// Pieces of text at the edges the writer treats apart: every byte that needs an
// escape, ASCII runs across eight-byte words, each class of well-formed UTF-8
// sequence at its bounds, and sequences that are overlong, surrogates, beyond
// U+10FFFF, stray or cut short.
std::vector<std::string> ValidPieces() {
    std::vector<std::string> pieces = {"\"",
                                       "\\",
                                       "/",
                                       "\x7f",
                                       " ",
                                       "~",
                                       "plain",
                                       "0123456789abcdef",
                                       "ab\"cd\\ef\tgh",
                                       "\xc2\x80",
                                       "\xdf\xbf",
                                       "\xe0\xa0\x80",
                                       "\xe0\xbf\xbf",
                                       "\xe1\x80\x80",
                                       "\xec\xbf\xbf",
                                       "\xed\x80\x80",
                                       "\xed\x9f\xbf",
                                       "\xee\x80\x80",
                                       "\xef\xbf\xbf",
                                       "\xf0\x90\x80\x80",
                                       "\xf0\xbf\xbf\xbf",
                                       "\xf1\x80\x80\x80",
                                       "\xf3\xbf\xbf\xbf",
                                       "\xf4\x80\x80\x80",
                                       "\xf4\x8f\xbf\xbf"};
    for (int byte = 0; byte < 0x20; ++byte) {
        pieces.emplace_back(1, static_cast<char>(byte));
    }
    return pieces;
}

const std::vector<std::string> kInvalidPieces = {"\x80",
                                                 "\xbf",
                                                 "\xc0\x80",
                                                 "\xc1\xbf",
                                                 "\xe0\x80\x80",
                                                 "\xe0\x9f\xbf",
                                                 "\xed\xa0\x80",
                                                 "\xed\xbf\xbf",
                                                 "\xf0\x80\x80\x80",
                                                 "\xf0\x8f\xbf\xbf",
                                                 "\xf4\x90\x80\x80",
                                                 "\xf5\x80\x80\x80",
                                                 "\xfe",
                                                 "\xff",
                                                 "\xc3",
                                                 "\xe2\x82",
                                                 "\xf0\x9f\x98",
                                                 "\xc3\x28",
                                                 "\xe2\x28\xa1",
                                                 "\xf0\x9f\x28\x80"};

TEST(CompactJsonWriterTest, StringsAreWrittenAndRefusedExactlyAsTheLibraryDoes) {
    const std::vector<std::string> valid = ValidPieces();
    std::mt19937 random(20261208);
    std::size_t refused = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string value;
        const int count = static_cast<int>(random() % 14);
        for (int i = 0; i < count; ++i) {
            if (random() % 40 == 0) {
                value += kInvalidPieces[random() % kInvalidPieces.size()];
            } else {
                value += valid[random() % valid.size()];
            }
        }
        const std::string expected = LibraryTextOf(value);
        refused += expected == "refused" ? 1 : 0;
        ASSERT_EQ(FacadeText(value), expected) << testing::PrintToString(value);
    }
    // Both outcomes were tried often.
    EXPECT_GT(refused, 1000U);
    EXPECT_LT(refused, 19000U);
}

TEST(CompactJsonWriterTest, EveryInvalidPieceIsRefusedWhereverItStands) {
    for (const std::string& piece : kInvalidPieces) {
        for (const std::string& value :
             {piece, "0123456789" + piece, piece + "0123456789", "abcdefg" + piece + "h"}) {
            SCOPED_TRACE(testing::PrintToString(value));
            EXPECT_EQ(LibraryTextOf(value), "refused");
            EXPECT_EQ(FacadeText(value), "refused");
        }
    }
}

TEST(CompactJsonWriterTest, StructuresAndNumbersAreWrittenAsTheLibraryDoes) {
    const char* const documents[] = {
        "{}",
        "[]",
        "[[],{},[{}],[[[]]]]",
        R"({"b":{"c":{}},"a":[1,-2,3.5,1e300,-0.0,0.1,5e-324,1.7976931348623157e308]})",
        R"({"u":18446744073709551615,"s":-9223372036854775808,"big":123456789012345678901234567890})",
        R"({"t":true,"f":false,"n":null,"e":"","x":"caf\u00e9 \ud83d\udd11 \u0001"})",
        R"("just a string")",
        "42",
    };
    for (const char* text : documents) {
        SCOPED_TRACE(text);
        std::shared_ptr<IJsonWrapper> document;
        NlohmannJsonWrapperFactory().Create(document);
        document->Parse(text);
        EXPECT_EQ(document->ToString(), LibraryText(Json::parse(text)));
    }
}

}  // namespace
}  // namespace VekLibrary::Serialization
