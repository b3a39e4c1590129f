#pragma once

#include <memory>
#include <string>

#include <gmock/gmock.h>

#include "serialization/IJsonWrapper.h"

namespace VekLibrary::Serialization {

class MockJsonWrapper : public IJsonWrapper {
public:
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, TryGet, (const std::string&), (override));
    MOCK_METHOD(std::shared_ptr<const IJsonWrapper>, TryGet, (const std::string&),
                (const, override));
    MOCK_METHOD(void, GetAs, (bool&), (const, override));
    MOCK_METHOD(void, GetAs, (long&), (const, override));
    MOCK_METHOD(void, GetAs, (unsigned long&), (const, override));
    MOCK_METHOD(void, GetAs, (double&), (const, override));
    MOCK_METHOD(void, GetAs, (std::string&), (const, override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, Set, (const std::string&, const std::string&),
                (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, Set, (const std::string&, std::string&&),
                (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, Set, (const std::string&, const char*), (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, Set, (const std::string&, long), (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, Set, (const std::string&, unsigned long),
                (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, Set, (const std::string&, double), (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, Set, (const std::string&, bool), (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, Set,
                (const std::string&, std::shared_ptr<const IJsonWrapper>), (override));
    MOCK_METHOD(void, SetNull, (const std::string&), (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, PushBack,
                (const std::string&, std::shared_ptr<IJsonWrapper>), (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, PushBack, (const std::string&, const std::string&),
                (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, PushBack, (const std::string&, const char*),
                (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, PushBack, (const std::string&, long), (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, PushBack, (const std::string&, unsigned long),
                (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, PushBack, (const std::string&, double), (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, PushBack, (const std::string&, bool), (override));
    MOCK_METHOD(std::shared_ptr<IJsonWrapper>, CreateEmptyObject, (const std::string&), (override));
    MOCK_METHOD(bool, IsNull, (), (const, override));
    MOCK_METHOD(bool, IsBool, (), (const, override));
    MOCK_METHOD(bool, IsObject, (), (const, override));
    MOCK_METHOD(bool, IsArray, (), (const, override));
    MOCK_METHOD(bool, IsInt, (), (const, override));
    MOCK_METHOD(bool, IsUnsigned, (), (const, override));
    MOCK_METHOD(bool, IsDouble, (), (const, override));
    MOCK_METHOD(bool, IsString, (), (const, override));
    MOCK_METHOD(std::string, ToString, (), (const, override));
    MOCK_METHOD(void, Parse, (const std::string&), (override));
};

}  // namespace VekLibrary::Serialization
