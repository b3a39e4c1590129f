#include "serialization/NlohmannJsonWrapper.h"

#include <utility>

#include "serialization/NlohmannJsonNode.h"

// Writing members: Set, SetNull, PushBack and CreateEmptyObject.
namespace VekLibrary::Serialization {

using JsonNodes::WithLibraryErrors;
using JsonNodes::WrapMember;
using JsonNodes::WrapNewDocument;

namespace {

// The shared body of the scalar Set overloads.
std::shared_ptr<IJsonWrapper> SetMember(const std::shared_ptr<Json>& node, const std::string& key,
                                        Json value) {
    Json& self = *node;
    if (!self.is_object()) {
        throw XJsonError("Node is not an object. Error in setting value at key: " + key);
    }
    return WithLibraryErrors("Error in setting value at key: ", key, [&] {
        Json& member = self[key];
        member = std::move(value);
        return WrapMember(node, member);
    });
}

}  // namespace

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::Set(const std::string& key,
                                                       const std::string& value) {
    // The whole string, embedded NUL bytes included: captured command output may
    // hold them, and cutting it at the first one would silently lose data.
    return SetMember(node_->value, key, Json(value));
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::Set(const std::string& key,
                                                       std::string&& value) {
    return SetMember(node_->value, key, Json(std::move(value)));
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::Set(const std::string& key, const char* value) {
    if (value == nullptr) {
        throw XJsonError("null value provided instead of string for key: " + key);
    }
    return SetMember(node_->value, key, Json(value));
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::Set(const std::string& key, long value) {
    return SetMember(node_->value, key, Json(value));
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::Set(const std::string& key,
                                                       unsigned long value) {
    return SetMember(node_->value, key, Json(value));
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::Set(const std::string& key, double value) {
    return SetMember(node_->value, key, Json(value));
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::Set(const std::string& key, bool value) {
    return SetMember(node_->value, key, Json(value));
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::Set(const std::string& key,
                                                       std::shared_ptr<const IJsonWrapper> value) {
    Json& self = *node_->value;
    if (!self.is_object()) {
        throw XJsonError("Current node is not an object. Error in setting value at key: " + key);
    }
    if (!value) {
        throw XJsonError("Null object passed to set at key: " + key);
    }
    const auto* source = dynamic_cast<const NlohmannJsonWrapper*>(value.get());
    if (source == nullptr || !source->node_ || !source->node_->value) {
        throw XJsonError("Invalid object passed to set at key: " + key);
    }
    return WithLibraryErrors("Failed to set inner object at key: ", key, [&] {
        // Copy before inserting: the source may be this very node or one of its members.
        Json copy = *source->node_->value;
        Json& member = self[key];
        member = std::move(copy);
        return WrapMember(node_->value, member);
    });
}

void NlohmannJsonWrapper::SetNull(const std::string& key) {
    Json& self = *node_->value;
    if (!self.is_object()) {
        throw XJsonError("Current node is not an object.");
    }
    WithLibraryErrors("Failed to set value as null at key: ", key, [&] { self[key] = nullptr; });
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::PushBack(const std::string& key,
                                                            std::shared_ptr<IJsonWrapper> value) {
    if (!value) {
        throw XJsonError("Cannot push null value at key: " + key);
    }
    Json& self = *node_->value;
    if (!self.is_object()) {
        throw XJsonError("Current node is not an object. Value could not be pushed at key: " + key);
    }
    return WithLibraryErrors("Value could not be pushed at key: ", key, [&] {
        auto member = self.find(key);
        if (member != self.end() && !member->is_array()) {
            throw XJsonError("Value can't be pushed. Node is not an array at key: " + key);
        }
        Json& array = member != self.end() ? *member : (self[key] = Json::array());
        const auto* source = dynamic_cast<const NlohmannJsonWrapper*>(value.get());
        if (source == nullptr || !source->node_ || !source->node_->value) {
            throw XJsonError("Invalid value passed to be pushed for key: " + key);
        }
        // Copy first: the source may be an element of this very array.
        Json copy = *source->node_->value;
        array.push_back(std::move(copy));
        return WrapMember(node_->value, array.back());
    });
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::PushBack(const std::string& key,
                                                            const std::string& value) {
    return PushBack(key, std::shared_ptr<IJsonWrapper>(WrapNewDocument(Json(value))));
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::PushBack(const std::string& key,
                                                            const char* value) {
    if (value == nullptr) {
        throw XJsonError("null value provided instead of string for key: " + key);
    }
    return PushBack(key, std::shared_ptr<IJsonWrapper>(WrapNewDocument(Json(value))));
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::PushBack(const std::string& key, long value) {
    return PushBack(key, std::shared_ptr<IJsonWrapper>(WrapNewDocument(Json(value))));
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::PushBack(const std::string& key,
                                                            unsigned long value) {
    return PushBack(key, std::shared_ptr<IJsonWrapper>(WrapNewDocument(Json(value))));
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::PushBack(const std::string& key, double value) {
    return PushBack(key, std::shared_ptr<IJsonWrapper>(WrapNewDocument(Json(value))));
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::PushBack(const std::string& key, bool value) {
    return PushBack(key, std::shared_ptr<IJsonWrapper>(WrapNewDocument(Json(value))));
}

std::shared_ptr<IJsonWrapper> NlohmannJsonWrapper::CreateEmptyObject(const std::string& key) {
    Json& self = *node_->value;
    if (!self.is_object()) {
        throw XJsonError(
            "Current node is not an object. Empty object could not be created at key: " + key);
    }
    return WithLibraryErrors("Unable to create empty object at key: ", key, [&] {
        Json& member = self[key];
        member = Json::object();
        return WrapMember(node_->value, member);
    });
}

}  // namespace VekLibrary::Serialization
