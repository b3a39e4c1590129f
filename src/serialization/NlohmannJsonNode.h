#pragma once

// The JSON library's node behind NlohmannJsonWrapper, and the helpers its two
// implementation files share. Private to this library: no other library may see
// the JSON library's headers.

#include <memory>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "serialization/NlohmannJsonWrapper.h"
#include "serialization/XJsonError.h"

namespace VekLibrary::Serialization {

using Json = nlohmann::json;

struct NlohmannJsonWrapper::Node {
    // Points at the node; the control block is the document root's, so every node
    // keeps the whole document alive.
    std::shared_ptr<Json> value;
};

namespace JsonNodes {

// A wrapper of `member`, which lives inside the document that `owner` shares.
inline std::shared_ptr<NlohmannJsonWrapper> WrapMember(const std::shared_ptr<Json>& owner,
                                                       Json& member) {
    return std::make_shared<NlohmannJsonWrapper>(std::make_shared<NlohmannJsonWrapper::Node>(
        NlohmannJsonWrapper::Node{std::shared_ptr<Json>(owner, &member)}));
}

// A wrapper over a new document that holds `value`.
inline std::shared_ptr<NlohmannJsonWrapper> WrapNewDocument(Json value) {
    return std::make_shared<NlohmannJsonWrapper>(std::make_shared<NlohmannJsonWrapper::Node>(
        NlohmannJsonWrapper::Node{std::make_shared<Json>(std::move(value))}));
}

// Runs `operation` and turns the JSON library's exceptions into the two-part
// XJsonError "<prefix><key>. [Extra] <library text>". The facade's own XJsonErrors
// pass through untouched, so they are never wrapped twice.
template <typename Operation>
auto WithLibraryErrors(const char* prefix, const std::string& key, Operation&& operation)
    -> decltype(operation()) {
    try {
        return operation();
    } catch (const Json::exception& error) {
        throw XJsonError(prefix + key, error.what());
    }
}

}  // namespace JsonNodes

}  // namespace VekLibrary::Serialization
