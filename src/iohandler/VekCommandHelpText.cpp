#include "iohandler/VekCommandHelpText.h"

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

std::string VekCommandHelpText(const std::string& name, const std::string& description,
                               const VekCommandOptionList& options) {
    std::string help = "\nCommand Name: " + name + "\n";
    help += "Command Description: " + description + "\n";
    for (const auto& option : options) {
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
