#include "iohandler/CliInputParserAdapter.h"

#include "domain/Exceptions.h"
#include "iohandler/IoHandlerErrors.h"
#include "iohandler/ShortFlag.h"

namespace VekLibrary::IoHandler {

ParsedOptionValues CliInputParserAdapter::BuildGetoptStructures(
    const VekCommandOptionList& options, std::vector<option>& longOptions,
    std::string& shortOptions, std::unordered_map<char, bool>& takesValue) const {
    ParsedOptionValues result;
    longOptions.clear();
    shortOptions.clear();
    takesValue.clear();
    for (const auto& commandOption : options) {
        // Anything but an alphanumeric flag would be read by getopt as syntax
        // (':' or '?' in the short option string, or a colliding return value).
        if (!commandOption) {
            throw XBrokenInvariantsError("Command option cannot be null.");
        }
        if (!IsAlphanumericShortFlag(commandOption->GetShortFlag())) {
            throw XBrokenInvariantsError("Short flag must be an alphanumeric character.");
        }
        const char flag = commandOption->GetShortFlag();
        const bool hasValue = commandOption->GetValueType() != InputValueTypeEnum::Boolean;
        shortOptions.push_back(flag);
        if (hasValue) {
            shortOptions.push_back(':');
        }
        longOptions.push_back(option{commandOption->GetLongFlag().c_str(),
                                     hasValue ? required_argument : no_argument, nullptr,
                                     static_cast<unsigned char>(flag)});
        takesValue[flag] = hasValue;
        const OptionRequirementEnum requirement = commandOption->GetOptionRequirement();
        if (requirement == OptionRequirementEnum::RequiredForCli ||
            requirement == OptionRequirementEnum::RequiredForBoth) {
            result[flag] = "";
        }
    }
    longOptions.push_back(option{nullptr, 0, nullptr, 0});
    return result;
}

ParsedOptionValues CliInputParserAdapter::Parse(int argc, const char* const argv[],
                                                const VekCommandOptionList& options) {
    if (argv == nullptr) {
        throw XInvalidTestInputError("argv provided is null.");
    }
    // getopt_long reorders the array it is given; work on a copy so that the
    // caller's argv keeps its order.
    std::vector<char*> arguments;
    for (int index = 0; index < argc; ++index) {
        if (argv[index] == nullptr) {
            throw XInvalidTestInputError("argv provided is null.");
        }
        arguments.push_back(const_cast<char*>(argv[index]));
    }
    arguments.push_back(nullptr);

    std::vector<option> longOptions;
    std::string shortOptions;
    std::unordered_map<char, bool> takesValue;
    ParsedOptionValues result =
        BuildGetoptStructures(options, longOptions, shortOptions, takesValue);

    opterr = 0;
    // 0 rather than 1: glibc then drops all state of an earlier scan, including
    // the position inside a group of short flags (-abc) where a previous parse
    // may have stopped with an error; with 1 it would resume from that stale
    // pointer into the previous argv.
    optind = 0;
    while (true) {
        optopt = 0;
        const int returned =
            getopt_long(argc, arguments.data(), shortOptions.c_str(), longOptions.data(), nullptr);
        // glibc maps a reset optind of 0 to 1 on its first call, but not when it
        // returns at once because argc < 1.
        const int nextIndex = optind < 1 ? 1 : optind;
        if (returned == -1) {
            if (nextIndex >= argc) {
                return result;
            }
            throw XInvalidTestInputError(std::string("Unexpected positional argument provided: ") +
                                         arguments[nextIndex]);
        }
        const char flag = static_cast<char>(returned);
        const auto known = takesValue.find(flag);
        if (returned == '?' || returned == ':' || known == takesValue.end()) {
            if (optopt != 0) {
                throw XInvalidTestInputError("Unknown flag provided: " +
                                             std::string(1, static_cast<char>(optopt)));
            }
            throw XInvalidTestInputError(std::string("Unknown flag provided: ") +
                                         arguments[nextIndex - 1]);
        }
        if (known->second) {
            if (optarg == nullptr) {
                throw XInvalidTestInputError("Option requires a value but none was provided.");
            }
            result[flag] = optarg;
        } else {
            result[flag] = "true";
        }
    }
}

}  // namespace VekLibrary::IoHandler
