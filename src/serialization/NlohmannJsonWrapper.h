#pragma once

#include <memory>
#include <string>

#include "serialization/IJsonWrapper.h"

namespace VekLibrary::Serialization {

// IJsonWrapper over nlohmann/json. The JSON library's headers are private to this
// library, so the node type appears here only as the opaque `Node`.
//
// Validity: a wrapper refers to a node inside a document, not to a copy. It stays
// valid while that node exists: replacing or emptying an enclosing member (Set,
// SetNull, CreateEmptyObject, Parse on an ancestor) removes the node, and appending
// to an array (PushBack) may move the elements already in it, so wrappers of
// earlier elements of that array must not be used afterwards.
class NlohmannJsonWrapper final : public IJsonWrapper {
public:
    // One node inside a document together with shared ownership of the document's
    // root; defined in the implementation file.
    struct Node;

    // A new document holding an empty object.
    NlohmannJsonWrapper();
    // Refers to `node`; throws XJsonError "Subnode provided is null." when `node`
    // is null or points at no JSON value.
    explicit NlohmannJsonWrapper(std::shared_ptr<Node> node);
    ~NlohmannJsonWrapper() override;

    NlohmannJsonWrapper(const NlohmannJsonWrapper&) = delete;
    NlohmannJsonWrapper& operator=(const NlohmannJsonWrapper&) = delete;

    std::shared_ptr<IJsonWrapper> TryGet(const std::string& key) override;
    std::shared_ptr<const IJsonWrapper> TryGet(const std::string& key) const override;

    void GetAs(bool& value) const override;
    void GetAs(long& value) const override;
    void GetAs(unsigned long& value) const override;
    void GetAs(double& value) const override;
    void GetAs(std::string& value) const override;

    std::shared_ptr<IJsonWrapper> Set(const std::string& key, const std::string& value) override;
    std::shared_ptr<IJsonWrapper> Set(const std::string& key, std::string&& value) override;
    std::shared_ptr<IJsonWrapper> Set(const std::string& key, const char* value) override;
    std::shared_ptr<IJsonWrapper> Set(const std::string& key, long value) override;
    std::shared_ptr<IJsonWrapper> Set(const std::string& key, unsigned long value) override;
    std::shared_ptr<IJsonWrapper> Set(const std::string& key, double value) override;
    std::shared_ptr<IJsonWrapper> Set(const std::string& key, bool value) override;
    std::shared_ptr<IJsonWrapper> Set(const std::string& key,
                                      std::shared_ptr<const IJsonWrapper> value) override;
    void SetNull(const std::string& key) override;

    std::shared_ptr<IJsonWrapper> PushBack(const std::string& key,
                                           std::shared_ptr<IJsonWrapper> value) override;
    std::shared_ptr<IJsonWrapper> PushBack(const std::string& key,
                                           const std::string& value) override;
    std::shared_ptr<IJsonWrapper> PushBack(const std::string& key, const char* value) override;
    std::shared_ptr<IJsonWrapper> PushBack(const std::string& key, long value) override;
    std::shared_ptr<IJsonWrapper> PushBack(const std::string& key, unsigned long value) override;
    std::shared_ptr<IJsonWrapper> PushBack(const std::string& key, double value) override;
    std::shared_ptr<IJsonWrapper> PushBack(const std::string& key, bool value) override;

    std::shared_ptr<IJsonWrapper> CreateEmptyObject(const std::string& key) override;

    bool IsNull() const override;
    bool IsBool() const override;
    bool IsObject() const override;
    bool IsArray() const override;
    bool IsInt() const override;
    bool IsUnsigned() const override;
    bool IsDouble() const override;
    bool IsString() const override;

    std::string ToString() const override;
    void Parse(const std::string& text) override;

private:
    std::shared_ptr<Node> node_;
};

}  // namespace VekLibrary::Serialization
