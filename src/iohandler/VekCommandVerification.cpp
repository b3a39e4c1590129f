#include "iohandler/VekCommandVerification.h"

#include "domain/Exceptions.h"
#include "iohandler/IoHandlerErrors.h"

namespace VekLibrary::IoHandler {

namespace {

std::string Flag(char flag) {
    return std::string(1, flag);
}

}  // namespace

void CheckCommandDefinition(const std::string& name, const std::string& description,
                            const VekCommandOptionList& options,
                            const std::unordered_set<char>& shortCircuitFlags) {
    if (name.empty()) {
        throw XBrokenInvariantsError("Name of the command has not been set.");
    }
    if (description.empty()) {
        throw XBrokenInvariantsError("Description has not been set for the command: " + name);
    }
    if (options.empty()) {
        throw XBrokenInvariantsError("No option has been set for the command.");
    }
    std::unordered_set<char> shortFlagsSeen;
    std::unordered_set<std::string> longFlagsSeen;
    std::unordered_set<std::string> lastDatakeysSeen;
    for (const auto& option : options) {
        if (!option) {
            throw XBrokenInvariantsError("Command option cannot be null for the command: " + name);
        }
        const char shortFlag = option->GetShortFlag();
        const std::string& longFlag = option->GetLongFlag();
        if (shortFlagsSeen.count(shortFlag) != 0) {
            throw XBrokenInvariantsError("Duplicate short flag found: " + Flag(shortFlag) +
                                         "for the command: " + name);
        }
        if (longFlagsSeen.count(longFlag) != 0) {
            throw XBrokenInvariantsError("Duplicate long flag found: " + longFlag +
                                         "for the command: " + name);
        }
        const auto& datakey = option->GetDatakey();
        if (!datakey.empty() && lastDatakeysSeen.count(datakey.back()) != 0) {
            throw XBrokenInvariantsError("Duplicate datakey found: " + datakey.back() +
                                         "for the command: " + name);
        }
        std::string shortCircuitDependencies;
        for (char dependency : option->GetFlagDependencies()) {
            if (shortCircuitFlags.count(dependency) != 0) {
                shortCircuitDependencies.push_back(dependency);
            }
        }
        if (!shortCircuitDependencies.empty()) {
            throw XBrokenInvariantsError(longFlag + " uses short-circuiting flags: " +
                                         shortCircuitDependencies + " as dependencies.");
        }
        shortFlagsSeen.insert(shortFlag);
        longFlagsSeen.insert(longFlag);
        if (!datakey.empty()) {
            lastDatakeysSeen.insert(datakey.back());
        }
    }
}

void VerifyParsedValues(const VekCommandOptionList& options, const ParsedOptionValues& values) {
    const auto isGiven = [&values](char flag) {
        const auto found = values.find(flag);
        return found != values.end() && !found->second.empty();
    };
    for (const auto& option : options) {
        const char flag = option->GetShortFlag();
        const auto found = values.find(flag);
        if (found == values.end()) {
            continue;
        }
        const std::string& text = found->second;
        if (text.empty()) {
            throw XInvalidTestInputError("Expected option(-" + Flag(flag) + ") is not provided.");
        }
        for (char dependency : option->GetFlagDependencies()) {
            if (!isGiven(dependency)) {
                throw XInvalidTestInputError("Dependency option(-" + Flag(dependency) +
                                             ") for option(-" + Flag(flag) + ") is not provided.");
            }
        }
        for (char exclusion : option->GetMutuallyExclusiveFlags()) {
            if (isGiven(exclusion)) {
                throw XInvalidTestInputError("Unexpected option(-" + Flag(exclusion) +
                                             ") with option(-" + Flag(flag) + ") is provided.");
            }
        }
        const OptionValidator validator = option->GetValidator();
        if (validator && !validator(text)) {
            throw XInvalidTestInputError("Incorrect input provided for option: -" + Flag(flag) +
                                         ". Input validation failed for value: " + text);
        }
    }
}

}  // namespace VekLibrary::IoHandler
