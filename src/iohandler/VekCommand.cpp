#include "iohandler/VekCommand.h"

#include <stdexcept>
#include <utility>

#include "domain/Exceptions.h"
#include "iohandler/IoHandlerErrors.h"
#include "stringutils/StringOperations.h"

namespace VekLibrary::IoHandler {
namespace {

std::string Flag(char flag) {
    return std::string(1, flag);
}

const char* RequirementSentence(OptionRequirementEnum requirement) {
    switch (requirement) {
        case OptionRequirementEnum::RequiredForJson:
            return "Optional for CLI. Required for JSON.";
        case OptionRequirementEnum::RequiredForCli:
            return "Required for CLI. Optional for JSON.";
        case OptionRequirementEnum::RequiredForBoth:
            return "Required for CLI. Required for JSON.";
        default:
            return "Optional for CLI. Optional for JSON.";
    }
}

const char* ValueTypeWord(InputValueTypeEnum valueType) {
    switch (valueType) {
        case InputValueTypeEnum::Boolean:
            return "Boolean";
        case InputValueTypeEnum::Double:
            return "Double";
        case InputValueTypeEnum::Integer:
            return "Integer";
        case InputValueTypeEnum::Unsigned:
            return "Unsigned";
        default:
            return "String";
    }
}

}  // namespace

VekCommand::VekCommand(const std::string& name, const std::string& description,
                       VekCommandOptionList options,
                       const std::unordered_set<char>& shortCircuitFlags,
                       std::shared_ptr<IInputParserAdapterFactory> inputParserAdapterFactory)
    : name_(name),
      description_(description),
      options_(std::move(options)),
      shortCircuitFlags_(shortCircuitFlags),
      inputParserAdapterFactory_(std::move(inputParserAdapterFactory)) {
    ValidateDefinition();
}

void VekCommand::ValidateDefinition() const {
    if (!inputParserAdapterFactory_) {
        throw XBrokenInvariantsError("Input parser adapter factory cannot be null.");
    }
    if (name_.empty()) {
        throw XBrokenInvariantsError("Name of the command has not been set.");
    }
    if (description_.empty()) {
        throw XBrokenInvariantsError("Description has not been set for the command: " + name_);
    }
    if (options_.empty()) {
        throw XBrokenInvariantsError("No option has been set for the command.");
    }
    std::unordered_set<char> shortFlagsSeen;
    std::unordered_set<std::string> longFlagsSeen;
    std::unordered_set<std::string> lastDatakeysSeen;
    for (const auto& option : options_) {
        if (!option) {
            throw XBrokenInvariantsError("Command option cannot be null for the command: " + name_);
        }
        const char shortFlag = option->GetShortFlag();
        const std::string& longFlag = option->GetLongFlag();
        if (shortFlagsSeen.count(shortFlag) != 0) {
            throw XBrokenInvariantsError("Duplicate short flag found: " + Flag(shortFlag) +
                                         "for the command: " + name_);
        }
        if (longFlagsSeen.count(longFlag) != 0) {
            throw XBrokenInvariantsError("Duplicate long flag found: " + longFlag +
                                         "for the command: " + name_);
        }
        const auto& datakey = option->GetDatakey();
        if (!datakey.empty() && lastDatakeysSeen.count(datakey.back()) != 0) {
            throw XBrokenInvariantsError("Duplicate datakey found: " + datakey.back() +
                                         "for the command: " + name_);
        }
        std::string shortCircuitDependencies;
        for (char dependency : option->GetFlagDependencies()) {
            if (shortCircuitFlags_.count(dependency) != 0) {
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

void VekCommand::Parse(int argc, const char* const argv[]) {
    std::shared_ptr<IInputParserAdapter> parser;
    inputParserAdapterFactory_->Create(argc, parser);
    if (!parser) {
        throw XBrokenInvariantsError("Could not create an input parser.");
    }
    parsedValues_ = parser->Parse(argc, argv, options_);

    // Help and the like must work even when the rest of the input is incomplete,
    // so a present short-circuit flag ends the verification.
    for (char flag : shortCircuitFlags_) {
        const auto found = parsedValues_.find(flag);
        if (found != parsedValues_.end()) {
            ParsedOptionValues onlyShortCircuit{{flag, found->second}};
            parsedValues_ = std::move(onlyShortCircuit);
            return;
        }
    }

    // On the command line an absent boolean flag means false; a JSON document has
    // to state it.
    if (argc > 1) {
        for (const auto& option : options_) {
            if (option->GetValueType() == InputValueTypeEnum::Boolean) {
                parsedValues_.emplace(option->GetShortFlag(), "false");
            }
        }
    }
    WaiveRequirements();
    VerifyParsedValues();
}

void VekCommand::WaiveRequirements() {
    for (const auto& option : options_) {
        const auto found = parsedValues_.find(option->GetShortFlag());
        if (found == parsedValues_.end() || !found->second.empty()) {
            continue;
        }
        for (char flag : option->GetRequirementWaivingFlags()) {
            const auto waiving = parsedValues_.find(flag);
            if (waiving != parsedValues_.end() && !waiving->second.empty()) {
                parsedValues_.erase(found);
                break;
            }
        }
    }
}

void VekCommand::VerifyParsedValues() const {
    const auto isGiven = [this](char flag) {
        const auto found = parsedValues_.find(flag);
        return found != parsedValues_.end() && !found->second.empty();
    };
    for (const auto& option : options_) {
        const char flag = option->GetShortFlag();
        const auto found = parsedValues_.find(flag);
        if (found == parsedValues_.end()) {
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

const std::string* VekCommand::FindParsedText(char shortFlag) const {
    if (parsedValues_.empty()) {
        throw XInvalidTestInputError("Input has not been parsed yet.");
    }
    const auto found = parsedValues_.find(shortFlag);
    return found == parsedValues_.end() ? nullptr : &found->second;
}

bool VekCommand::TryGet(char shortFlag, bool& value) const {
    const std::string* text = FindParsedText(shortFlag);
    if (text == nullptr) {
        return false;
    }
    std::string lowered = *text;
    StringUtilities::ToLowerInplace(lowered);
    if (lowered == "true") {
        value = true;
    } else if (lowered == "false") {
        value = false;
    } else {
        throw XInvalidTestInputError("Non-boolean input provided for the option with short-flag: " +
                                     Flag(shortFlag));
    }
    return true;
}

bool VekCommand::TryGet(char shortFlag, std::int64_t& value) const {
    const std::string* text = FindParsedText(shortFlag);
    if (text == nullptr) {
        return false;
    }
    try {
        value = std::stoll(*text);
    } catch (const std::invalid_argument& error) {
        throw XInvalidTestInputError(
            "Value could not be converted to an integer for option short-flag: " + Flag(shortFlag) +
            error.what());
    } catch (const std::out_of_range& error) {
        throw XInvalidTestInputError(
            "Value out-of-range for option short-flag: " + Flag(shortFlag) + error.what());
    }
    return true;
}

bool VekCommand::TryGet(char shortFlag, std::uint64_t& value) const {
    const std::string* text = FindParsedText(shortFlag);
    if (text == nullptr) {
        return false;
    }
    try {
        value = std::stoull(*text);
    } catch (const std::invalid_argument& error) {
        throw XInvalidTestInputError(
            "Value could not be converted to an unsigned integer for option short-flag: " +
            Flag(shortFlag) + error.what());
    } catch (const std::out_of_range& error) {
        throw XInvalidTestInputError(
            "Value out-of-range for option short-flag: " + Flag(shortFlag) + error.what());
    }
    return true;
}

bool VekCommand::TryGet(char shortFlag, double& value) const {
    const std::string* text = FindParsedText(shortFlag);
    if (text == nullptr) {
        return false;
    }
    try {
        value = std::stod(*text);
    } catch (const std::invalid_argument& error) {
        throw XInvalidTestInputError(
            "Value could not be converted to a double for option short-flag: " + Flag(shortFlag) +
            error.what());
    } catch (const std::out_of_range& error) {
        throw XInvalidTestInputError(
            "Value out-of-range for option short-flag: " + Flag(shortFlag) + error.what());
    }
    return true;
}

bool VekCommand::TryGet(char shortFlag, std::string& value) const {
    const std::string* text = FindParsedText(shortFlag);
    if (text == nullptr) {
        return false;
    }
    value = *text;
    return true;
}

std::string VekCommand::GetHelpMessage() const {
    std::string help = "\nCommand Name: " + name_ + "\n";
    help += "Command Description: " + description_ + "\n";
    for (const auto& option : options_) {
        help += "\nFlags: -" + Flag(option->GetShortFlag());
        if (!option->GetLongFlag().empty()) {
            help += ", --" + option->GetLongFlag();
        }
        if (!option->GetDatakey().empty()) {
            help += "\nDatakey: ";
            for (const auto& key : option->GetDatakey()) {
                help += "/" + key;
            }
        }
        help += "\nDescription: " + option->GetDescription();
        help += "\nRequirement: ";
        help += RequirementSentence(option->GetOptionRequirement());
        help += "\nInput Type: ";
        help += ValueTypeWord(option->GetValueType());
        if (!option->GetFlagDependencies().empty()) {
            help += "\nDepends On:";
            for (char flag : option->GetFlagDependencies()) {
                help += " -" + Flag(flag) + ",";
            }
        }
        if (!option->GetMutuallyExclusiveFlags().empty()) {
            help += "\nMutually Exclusive With:";
            for (char flag : option->GetMutuallyExclusiveFlags()) {
                help += " -" + Flag(flag) + ",";
            }
        }
        help += "\n";
    }
    return help;
}

}  // namespace VekLibrary::IoHandler
