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
    Argv(std::initializer_list<std::string> arguments) : storage_(arguments) { Rebuild(); }
    explicit Argv(std::vector<std::string> arguments) : storage_(std::move(arguments)) {
        Rebuild();
    }

    int argc() const { return static_cast<int>(storage_.size()); }
    const char* const* argv() const { return pointers_.data(); }
    // The order of the caller-visible pointer array, to detect reordering.
    std::vector<std::string> CurrentOrder() const {
        std::vector<std::string> order;
        for (std::size_t index = 0; index < storage_.size(); ++index) {
            order.emplace_back(pointers_[index]);
        }
        return order;
    }

private:
    void Rebuild() {
        pointers_.clear();
        for (auto& argument : storage_) {
            pointers_.push_back(argument.data());
        }
        pointers_.push_back(nullptr);
    }

    std::vector<std::string> storage_;
    std::vector<char*> pointers_;
};

}  // namespace VekLibrary::IoHandler::Testing
