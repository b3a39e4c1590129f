#pragma once

#include <memory>
#include <string>

namespace VekLibrary::Serialization {

// A handle to one node (object, array, string, number, boolean or null) of a
// shared JSON document. Wrappers returned by TryGet, Set, PushBack and
// CreateEmptyObject refer into the same document and keep it alive; values
// passed in as wrappers are deep-copied. Keys are single member names (a dot is
// part of the name). Objects keep their members in ascending byte order of their
// keys, and ToString writes compact JSON. Every failure is an XJsonError.
class IJsonWrapper {
public:
    virtual ~IJsonWrapper() = default;

    // The member's value node, or an empty pointer when the key is absent.
    virtual std::shared_ptr<IJsonWrapper> TryGet(const std::string& key) = 0;
    virtual std::shared_ptr<const IJsonWrapper> TryGet(const std::string& key) const = 0;

    virtual void GetAs(bool& value) const = 0;
    virtual void GetAs(long& value) const = 0;
    virtual void GetAs(unsigned long& value) const = 0;
    virtual void GetAs(double& value) const = 0;
    virtual void GetAs(std::string& value) const = 0;

    // Each Set inserts or replaces the member and returns a wrapper of the stored value.
    virtual std::shared_ptr<IJsonWrapper> Set(const std::string& key, const std::string& value) = 0;
    // Takes the text over without copying it: a captured output may be many megabytes.
    virtual std::shared_ptr<IJsonWrapper> Set(const std::string& key, std::string&& value) = 0;
    virtual std::shared_ptr<IJsonWrapper> Set(const std::string& key, const char* value) = 0;
    virtual std::shared_ptr<IJsonWrapper> Set(const std::string& key, long value) = 0;
    virtual std::shared_ptr<IJsonWrapper> Set(const std::string& key, unsigned long value) = 0;
    virtual std::shared_ptr<IJsonWrapper> Set(const std::string& key, double value) = 0;
    virtual std::shared_ptr<IJsonWrapper> Set(const std::string& key, bool value) = 0;
    virtual std::shared_ptr<IJsonWrapper> Set(const std::string& key,
                                              std::shared_ptr<const IJsonWrapper> value) = 0;
    virtual void SetNull(const std::string& key) = 0;

    // Each PushBack appends to the array under the key (created when absent) and
    // returns a wrapper of the appended element.
    virtual std::shared_ptr<IJsonWrapper> PushBack(const std::string& key,
                                                   std::shared_ptr<IJsonWrapper> value) = 0;
    virtual std::shared_ptr<IJsonWrapper> PushBack(const std::string& key,
                                                   const std::string& value) = 0;
    virtual std::shared_ptr<IJsonWrapper> PushBack(const std::string& key, const char* value) = 0;
    virtual std::shared_ptr<IJsonWrapper> PushBack(const std::string& key, long value) = 0;
    virtual std::shared_ptr<IJsonWrapper> PushBack(const std::string& key, unsigned long value) = 0;
    virtual std::shared_ptr<IJsonWrapper> PushBack(const std::string& key, double value) = 0;
    virtual std::shared_ptr<IJsonWrapper> PushBack(const std::string& key, bool value) = 0;

    virtual std::shared_ptr<IJsonWrapper> CreateEmptyObject(const std::string& key) = 0;

    virtual bool IsNull() const = 0;
    virtual bool IsBool() const = 0;
    virtual bool IsObject() const = 0;
    virtual bool IsArray() const = 0;
    virtual bool IsInt() const = 0;
    virtual bool IsUnsigned() const = 0;
    virtual bool IsDouble() const = 0;
    virtual bool IsString() const = 0;

    virtual std::string ToString() const = 0;
    // Replaces this node's content with the parsed document.
    virtual void Parse(const std::string& text) = 0;
};

}  // namespace VekLibrary::Serialization
