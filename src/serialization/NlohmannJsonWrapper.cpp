#include "serialization/NlohmannJsonWrapper.h"

#include <cmath>
#include <utility>

#include "serialization/CompactJsonWriter.h"
#include "serialization/NlohmannJsonNode.h"

// Construction, lookup, typed reading, type tests, and the document as text; the
// members are written in NlohmannJsonWrapperMembers.cpp.
namespace VekLibrary::Serialization {

using JsonNodes::WithLibraryErrors;
using JsonNodes::WrapMember;

namespace {

const std::string kNoKey;
constexpr const char* kExtractMessage = "Error in extracting value from node.";

// A float outside the target's range (or NaN) has no integer value; converting it
// would be undefined behaviour, so it is refused like a type mismatch.
template <typename Fits>
void RequireIntegralRange(const Json& node, Fits&& fits, const char* targetName) {
    if (!node.is_number_float()) {
        return;
    }
    const double value = node.get<double>();
    if (!fits(value)) {
        // dump() writes a non-finite float as "null", which would hide the reason.
        const std::string shown = std::isnan(value)   ? "NaN"
                                  : std::isinf(value) ? (value > 0 ? "inf" : "-inf")
                                                      : node.dump();
        throw XJsonError(kExtractMessage,
                         "floating-point value " + shown + " is out of the range of " + targetName);
    }
}

}  // namespace

NlohmannJsonWrapper::NlohmannJsonWrapper()
    : node_(std::make_shared<Node>(Node{std::make_shared<Json>(Json::object())})) {}

NlohmannJsonWrapper::NlohmannJsonWrapper(std::shared_ptr<Node> node) : node_(std::move(node)) {
    if (!node_ || !node_->value) {
        throw XJsonError("Subnode provided is null.");
    }
}

NlohmannJsonWrapper::~NlohmannJsonWrapper() = default;

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::TryGet(const std::string& key) {
    Json& self = *node_->value;
    if (!self.is_object()) {
        throw XJsonError(
            "Current node is not an object. No internal node exists to be retrieved at key: " +
            key);
    }
    return WithLibraryErrors("Error finding a JSON object at key: ", key,
                             [&]() -> std::shared_ptr<IJsonWrapper> {
                                 auto member = self.find(key);
                                 if (member == self.end()) {
                                     return nullptr;
                                 }
                                 return WrapMember(node_->value, *member);
                             });
}

std::shared_ptr<const IJsonWrapper> NlohmannJsonWrapper::TryGet(const std::string& key) const {
    Json& self = *node_->value;
    if (!self.is_object()) {
        throw XJsonError(
            "Current node is not an object. No internal node exists to be retrieved at key: " +
            key);
    }
    return WithLibraryErrors("Error finding a JSON object in key: ", key,
                             [&]() -> std::shared_ptr<const IJsonWrapper> {
                                 auto member = self.find(key);
                                 if (member == self.end()) {
                                     return nullptr;
                                 }
                                 return WrapMember(node_->value, *member);
                             });
}

void NlohmannJsonWrapper::GetAs(bool& value) const {
    WithLibraryErrors(kExtractMessage, kNoKey, [&] { node_->value->get_to(value); });
}

void NlohmannJsonWrapper::GetAs(long& value) const {
    WithLibraryErrors(kExtractMessage, kNoKey, [&] {
        RequireIntegralRange(
            *node_->value,
            [](double v) { return v >= -9223372036854775808.0 && v < 9223372036854775808.0; },
            "a signed 64-bit integer");
        node_->value->get_to(value);
    });
}

void NlohmannJsonWrapper::GetAs(unsigned long& value) const {
    WithLibraryErrors(kExtractMessage, kNoKey, [&] {
        // Fractions between -1 and 0 truncate to 0 and are fine.
        RequireIntegralRange(
            *node_->value, [](double v) { return v > -1.0 && v < 18446744073709551616.0; },
            "an unsigned 64-bit integer");
        node_->value->get_to(value);
    });
}

void NlohmannJsonWrapper::GetAs(double& value) const {
    WithLibraryErrors(kExtractMessage, kNoKey, [&] { node_->value->get_to(value); });
}

void NlohmannJsonWrapper::GetAs(std::string& value) const {
    WithLibraryErrors(kExtractMessage, kNoKey, [&] { node_->value->get_to(value); });
}

namespace {

// The shared body of the type tests.
template <typename Test>
bool CheckType(const std::shared_ptr<NlohmannJsonWrapper::Node>& node, const char* wrapMessage,
               Test&& test) {
    if (!node || !node->value) {
        throw XJsonError("Cannot perform type check on node. Node does not exist.");
    }
    return WithLibraryErrors(wrapMessage, kNoKey, [&] { return test(*node->value); });
}

}  // namespace

bool NlohmannJsonWrapper::IsNull() const {
    return CheckType(node_, "Unable to check if current node type is null.",
                     [](const Json& j) { return j.is_null(); });
}

bool NlohmannJsonWrapper::IsBool() const {
    return CheckType(node_, "Unable to check if current node type is boolean.",
                     [](const Json& j) { return j.is_boolean(); });
}

bool NlohmannJsonWrapper::IsObject() const {
    return CheckType(node_, "Unable to check if current node type is JSON object.",
                     [](const Json& j) { return j.is_object(); });
}

bool NlohmannJsonWrapper::IsArray() const {
    return CheckType(node_, "Unable to check if current node type is JSON array.",
                     [](const Json& j) { return j.is_array(); });
}

bool NlohmannJsonWrapper::IsInt() const {
    return CheckType(node_, "Unable to check if current node type is integer.",
                     [](const Json& j) { return j.is_number_integer(); });
}

bool NlohmannJsonWrapper::IsUnsigned() const {
    return CheckType(node_, "Unable to check if current node type is unsigned integer.",
                     [](const Json& j) { return j.is_number_unsigned(); });
}

bool NlohmannJsonWrapper::IsDouble() const {
    return CheckType(node_, "Unable to check if current node type is a floating-point number.",
                     [](const Json& j) { return j.is_number(); });
}

bool NlohmannJsonWrapper::IsString() const {
    return CheckType(node_, "Unable to check if current node type is string.",
                     [](const Json& j) { return j.is_string(); });
}

std::string NlohmannJsonWrapper::ToString() const {
    if (!node_ || !node_->value) {
        throw XJsonError("Cannot serialize JSON. Node does not exist.");
    }
    try {
        // The text is built completely before it is returned, so a failure never
        // leaves a partial document behind. Written once into storage reserved up
        // front: growing a string of many megabytes step by step copies it again
        // on every step.
        std::string text;
        text.reserve(CompactJsonWriter::SizeEstimate(*node_->value));
        CompactJsonWriter(text).Write(*node_->value);
        return text;
    } catch (const Json::exception&) {
        throw XJsonError(
            "Error while serializing the JSON object. Verify if a non utf-8 string stored in "
            "JSON.");
    }
}

void NlohmannJsonWrapper::Parse(const std::string& text) {
    // A raw NUL byte is never valid JSON, but the library takes it for the end of
    // the input and would silently ignore whatever follows the first one.
    if (text.find('\0') != std::string::npos) {
        throw XJsonError("Failed to parse the input string.");
    }
    Json parsed;
    try {
        parsed = Json::parse(text, nullptr, /*allow_exceptions=*/true, /*ignore_comments=*/false);
    } catch (const Json::exception&) {
        throw XJsonError("Failed to parse the input string.");
    }
    node_->value->swap(parsed);
}

}  // namespace VekLibrary::Serialization
