#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <unordered_set>
#include <vector>

#include "iohandler/IVekCommandOption.h"
#include "iohandler/VekCommandOptionBuilder.h"
#include "iohandler/VekCommandOptionFactory.h"

namespace VekLibrary::IoHandler::Testing {

// Passes when `callable` throws exactly `Exception` (or a subclass) whose text is
// `expected`; reports the actual text or exception otherwise.
template <typename Exception, typename Callable>
::testing::AssertionResult ThrowsWithMessage(Callable&& callable, const std::string& expected) {
    try {
        callable();
    } catch (const Exception& error) {
        if (expected == error.what()) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "message \"" << error.what() << "\"\n   expected \"" << expected << "\"";
    } catch (const std::exception& error) {
        return ::testing::AssertionFailure()
               << "other exception " << typeid(error).name() << ": " << error.what();
    }
    return ::testing::AssertionFailure() << "nothing thrown, expected \"" << expected << "\"";
}

struct OptionShape {
    char shortFlag;
    std::string longFlag;
    InputValueTypeEnum valueType = InputValueTypeEnum::String;
    OptionRequirementEnum requirement = OptionRequirementEnum::Optional;
    std::vector<std::string> datakey = {};
    std::unordered_set<char> dependencies = {};
    std::unordered_set<char> exclusions = {};
    OptionValidator validator = {};
    std::unordered_set<char> waivers = {};
};

// Builds a real option through the real builder.
inline std::unique_ptr<IVekCommandOption> MakeOption(const OptionShape& shape) {
    VekCommandOptionBuilder builder(std::make_shared<VekCommandOptionFactory>());
    builder.AddFlags(shape.shortFlag, shape.longFlag)
        .AddDescription("Option " + shape.longFlag + ".")
        .AddInputValueType(shape.valueType)
        .AddOptionRequirement(shape.requirement);
    if (!shape.datakey.empty()) {
        builder.AddDatakey(shape.datakey);
    }
    if (!shape.dependencies.empty()) {
        builder.DependsOn(shape.dependencies);
    }
    if (!shape.exclusions.empty()) {
        builder.MutuallyExclusiveWith(shape.exclusions);
    }
    if (shape.validator) {
        builder.AddValidator(shape.validator);
    }
    if (!shape.waivers.empty()) {
        builder.NotRequiredWith(shape.waivers);
    }
    return builder.Build();
}

inline VekCommandOptionList MakeOptions(const std::vector<OptionShape>& shapes) {
    VekCommandOptionList options;
    for (const auto& shape : shapes) {
        options.push_back(MakeOption(shape));
    }
    return options;
}

// A mutable argv array (getopt_long reorders the array it is given) with the
// conventional trailing null.
class Argv {
public:
    Argv(std::initializer_list<std::string> arguments) : m_storage(arguments) { Rebuild(); }
    explicit Argv(std::vector<std::string> arguments) : m_storage(std::move(arguments)) {
        Rebuild();
    }

    int argc() const { return static_cast<int>(m_storage.size()); }
    const char* const* argv() const { return m_pointers.data(); }
    // The order of the caller-visible pointer array, to detect reordering.
    std::vector<std::string> CurrentOrder() const {
        std::vector<std::string> order;
        for (std::size_t index = 0; index < m_storage.size(); ++index) {
            order.emplace_back(m_pointers[index]);
        }
        return order;
    }

private:
    void Rebuild() {
        m_pointers.clear();
        for (auto& argument : m_storage) {
            m_pointers.push_back(argument.data());
        }
        m_pointers.push_back(nullptr);
    }

    std::vector<std::string> m_storage;
    std::vector<char*> m_pointers;
};

}  // namespace VekLibrary::IoHandler::Testing
