#pragma once

#include <gmock/gmock.h>

#include "iohandler/IVekCommandOption.h"

namespace VekLibrary::IoHandler {

class MockVekCommandOption : public IVekCommandOption {
public:
    MOCK_METHOD(const std::string&, GetDescription, (), (const, override));
    MOCK_METHOD(char, GetShortFlag, (), (const, override));
    MOCK_METHOD(const std::string&, GetLongFlag, (), (const, override));
    MOCK_METHOD(const std::vector<std::string>&, GetDatakey, (), (const, override));
    MOCK_METHOD(OptionRequirementEnum, GetOptionRequirement, (), (const, override));
    MOCK_METHOD(InputValueTypeEnum, GetValueType, (), (const, override));
    MOCK_METHOD(OptionValidator, GetValidator, (), (const, override));
    MOCK_METHOD(const std::unordered_set<char>&, GetFlagDependencies, (), (const, override));
    MOCK_METHOD(const std::unordered_set<char>&, GetMutuallyExclusiveFlags, (), (const, override));
    MOCK_METHOD(const std::unordered_set<char>&, GetRequirementWaivingFlags, (), (const, override));
};

}  // namespace VekLibrary::IoHandler
