#include "iohandler/VekCommand.h"

#include <stdexcept>
#include <utility>

#include "domain/Exceptions.h"
#include "iohandler/IoHandlerErrors.h"
#include "iohandler/VekCommandHelpText.h"
#include "iohandler/VekCommandVerification.h"
#include "stringutils/StringOperations.h"

namespace VekLibrary::IoHandler {
namespace {

std::string Flag(char flag) {
    return std::string(1, flag);
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
    if (!inputParserAdapterFactory_) {
        throw XBrokenInvariantsError("Input parser adapter factory cannot be null.");
    }
    CheckCommandDefinition(name_, description_, options_, shortCircuitFlags_);
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
    VerifyParsedValues(options_, parsedValues_);
}

void VekCommand::WaiveRequirements() {
    // A boolean waives only when true: on the command line an absent one reads "false".
    const auto waives = [this](char flag) {
        const auto waiving = parsedValues_.find(flag);
        if (waiving == parsedValues_.end() || waiving->second.empty()) {
            return false;
        }
        for (const auto& option : options_) {
            if (option->GetShortFlag() == flag &&
                option->GetValueType() == InputValueTypeEnum::Boolean) {
                std::string lowered = waiving->second;
                StringUtilities::ToLowerInplace(lowered);
                return lowered == "true";
            }
        }
        return true;
    };
    for (const auto& option : options_) {
        const auto found = parsedValues_.find(option->GetShortFlag());
        if (found == parsedValues_.end() || !found->second.empty()) {
            continue;
        }
        for (char flag : option->GetRequirementWaivingFlags()) {
            if (waives(flag)) {
                parsedValues_.erase(found);
                break;
            }
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
    return VekCommandHelpText(name_, description_, options_);
}

}  // namespace VekLibrary::IoHandler
