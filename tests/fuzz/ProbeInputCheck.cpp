#include "fuzz/ProbeInputCheck.h"

#include <chrono>
#include <exception>
#include <memory>
#include <typeinfo>

#include "app/SshTestSessionPolicy.h"
#include "app/SshTestSessionPolicyFactory.h"
#include "app/SshVekCommandDefinition.h"
#include "app/VekConstants.h"
#include "iohandler/IStreamInputHandler.h"
#include "iohandler/IStreamInputHandlerFactory.h"
#include "iohandler/InputParserAdapterFactory.h"
#include "iohandler/IoHandlerErrors.h"
#include "iohandler/VekCommandBuilder.h"
#include "iohandler/VekCommandFactory.h"
#include "iohandler/VekCommandOptionBuilder.h"
#include "iohandler/VekCommandOptionFactory.h"
#include "networking/UrlComponentsFactory.h"
#include "serialization/NlohmannJsonWrapperFactory.h"

namespace VekFuzz {
namespace {

using VekLibrary::IoHandler::InputValueTypeEnum;
using VekLibrary::IoHandler::IStreamInputHandler;
using VekLibrary::IoHandler::IStreamInputHandlerFactory;
using VekLibrary::IoHandler::IVekCommand;
using VekLibrary::IoHandler::IVekCommandBuilder;
using VekLibrary::IoHandler::IVekCommandOptionBuilder;
using VekLibrary::IoHandler::OptionRequirementEnum;
using VekLibrary::IoHandler::XInvalidTestInputError;
namespace Constants = Ssh::VekConstants;

// Standard input holding the current line. Like the real reader it hands over the
// text up to the first line feed only.
class FixedLine final : public IStreamInputHandler {
public:
    std::string ReadInput(std::chrono::milliseconds) override {
        return line.substr(0, line.find('\n'));
    }

    std::string line;
};

class FixedLineFactory final : public IStreamInputHandlerFactory {
public:
    void Create(std::shared_ptr<IStreamInputHandler>& out) override { out = reader; }

    std::shared_ptr<FixedLine> reader = std::make_shared<FixedLine>();
};

std::shared_ptr<IVekCommandBuilder> MakeCommandBuilder(
    const std::shared_ptr<IStreamInputHandlerFactory>& input) {
    auto parsers = std::make_shared<VekLibrary::IoHandler::InputParserAdapterFactory>(
        std::make_shared<VekLibrary::Serialization::NlohmannJsonWrapperFactory>(), input);
    return std::make_shared<VekLibrary::IoHandler::VekCommandBuilder>(
        std::make_shared<VekLibrary::IoHandler::VekCommandFactory>(parsers));
}

std::shared_ptr<IVekCommandOptionBuilder> MakeOptionBuilder() {
    return std::make_shared<VekLibrary::IoHandler::VekCommandOptionBuilder>(
        std::make_shared<VekLibrary::IoHandler::VekCommandOptionFactory>());
}

struct Harness {
    std::shared_ptr<FixedLineFactory> input = std::make_shared<FixedLineFactory>();
    Ssh::SshTestSessionPolicyFactory policyFactory{
        MakeOptionBuilder(), MakeCommandBuilder(input),
        std::make_shared<VekLibrary::Networking::UrlComponentsFactory>()};
    // The same definition on its own, to read every flag with every TryGet.
    std::unique_ptr<IVekCommand> command =
        Ssh::SshVekCommandDefinition::Build(*MakeOptionBuilder(), *MakeCommandBuilder(input));
};

Harness& TheHarness() {
    static Harness harness;
    return harness;
}

std::string Describe(const std::exception& error) {
    return std::string(typeid(error).name()) + ": " + error.what();
}

// Runs `call`; a refusal with XInvalidTestInputError is fine, anything else is a
// fault. Returns the fault, or "" and sets `refused`.
template <typename Call>
std::string Guard(const std::string& what, Call&& call, bool& refused) {
    refused = false;
    try {
        call();
    } catch (const XInvalidTestInputError&) {
        refused = true;
    } catch (const std::exception& error) {
        return what + " threw " + Describe(error);
    } catch (...) {
        return what + " threw a non-standard exception";
    }
    return "";
}

// The policy factory's promises that the test session relies on right after it.
std::string CheckPolicy(int argc, const char* const* argv) {
    std::unique_ptr<Ssh::SshTestSessionPolicy> policy;
    std::string help;
    bool refused = false;
    const std::string fault = Guard(
        "CreateOrReturnHelpMessage",
        [&] { help = TheHarness().policyFactory.CreateOrReturnHelpMessage(argc, argv, policy); },
        refused);
    if (!fault.empty()) {
        return fault;
    }
    if (refused) {
        return policy ? "a refused input left a policy behind" : "";
    }
    if (help.empty() != static_cast<bool>(policy)) {
        return help.empty() ? "neither help nor a policy" : "both help and a policy";
    }
    if (!policy) {
        return "";
    }
    if (policy->GetHostName().empty()) {
        return "a policy without a host";
    }
    if (policy->GetCommands().size() > policy->GetMaxCommandLength()) {
        return "commands longer than the accepted maximum";
    }
    if (policy->IsHandshakeOnly() ? !policy->GetCommands().empty()
                                  : policy->GetUsername().GetText().empty()) {
        return "a handshake-only policy with commands, or another without a user name";
    }
    try {
        policy->ToString();
    } catch (const std::exception& error) {
        return "SshTestSessionPolicy::ToString threw " + Describe(error);
    }
    return "";
}

// Every TryGet overload on every flag either converts or refuses as documented.
std::string CheckReads(const IVekCommand& command) {
    for (const auto& option : command.GetCommandOptions()) {
        const char flag = option->GetShortFlag();
        const auto read = [&](const char* type, auto value) {
            bool refused = false;
            return Guard(
                std::string("TryGet(") + type + ") on -" + flag,
                [&] { command.TryGet(flag, value); }, refused);
        };
        for (const std::string& fault :
             {read("bool", false), read("int64", std::int64_t{0}), read("uint64", std::uint64_t{0}),
              read("double", 0.0), read("string", std::string())}) {
            if (!fault.empty()) {
                return fault;
            }
        }
    }
    return "";
}

bool Has(const IVekCommand& command, char flag, std::string& text) {
    return command.TryGet(flag, text);
}

// Promises of a successful parse that the rest of the program relies on.
std::string CheckParsedValues(const IVekCommand& command, bool jsonMode) {
    std::string text;
    // On the command line an absent help flag reads "false" like every boolean; a
    // given one ends verification and is all that is kept.
    if (!jsonMode && Has(command, Constants::HelpOptionShortFlag, text) && text == "true") {
        for (const auto& option : command.GetCommandOptions()) {
            std::string other;
            const char flag = option->GetShortFlag();
            if (flag != Constants::HelpOptionShortFlag && Has(command, flag, other)) {
                return std::string("help given but -") + flag + " kept";
            }
        }
        return "";
    }
    for (const auto& option : command.GetCommandOptions()) {
        const char flag = option->GetShortFlag();
        const bool present = Has(command, flag, text);
        const auto requirement = option->GetOptionRequirement();
        bool required = requirement == OptionRequirementEnum::RequiredForBoth ||
                        requirement == (jsonMode ? OptionRequirementEnum::RequiredForJson
                                                 : OptionRequirementEnum::RequiredForCli);
        // A given waiving option lifts it: the key for the password, or -s given as true.
        for (const char waiving : option->GetRequirementWaivingFlags()) {
            std::string value;
            bool on = false;
            if (Has(command, waiving, value) && !value.empty() &&
                (waiving != Constants::HandshakeOnlyOptionShortFlag ||
                 (command.TryGet(waiving, on) && on))) {
                required = false;
            }
        }
        if (required && !present) {
            return std::string("required option -") + flag + " missing after a successful parse";
        }
        if (present && text.empty()) {
            return std::string("option -") + flag + " present with an empty text";
        }
        if (jsonMode && option->GetDatakey().empty() && present) {
            return std::string("option -") + flag + " without datakey present in JSON mode";
        }
        if (present && option->GetValueType() == InputValueTypeEnum::Boolean && text != "true" &&
            text != "false") {
            return std::string("boolean -") + flag + " holds " + text;
        }
    }
    std::int64_t timeout = 0;
    if (Has(command, Constants::TestTimeoutOptionShortFlag, text) &&
        (!command.TryGet(Constants::TestTimeoutOptionShortFlag, timeout) || timeout < 0)) {
        return "timeout passed validation but reads as " + std::to_string(timeout);
    }
    std::uint64_t length = 0;
    if (Has(command, Constants::MaxCommandLengthOptionShortFlag, text) &&
        (!command.TryGet(Constants::MaxCommandLengthOptionShortFlag, length) || length == 0 ||
         !Has(command, Constants::CommandsOptionShortFlag, text))) {
        return "maxCommandLength accepted without commands or as 0";
    }
    return "";
}

// The command on its own: parse, read every flag every way, check the values.
std::string CheckCommand(int argc, const char* const* argv) {
    IVekCommand& command = *TheHarness().command;
    bool refused = false;
    std::string fault = Guard(
        "Parse", [&] { command.Parse(argc, argv); }, refused);
    if (!fault.empty() || refused) {
        return fault;
    }
    fault = CheckReads(command);
    if (!fault.empty()) {
        return fault;
    }
    try {
        return CheckParsedValues(command, argc == 1);
    } catch (const std::exception& error) {
        return "reading parsed values threw " + Describe(error);
    }
}

std::string Check(int argc, const char* const* argv) {
    const std::string fault = CheckPolicy(argc, argv);
    return fault.empty() ? CheckCommand(argc, argv) : fault;
}

}  // namespace

std::string CheckJsonLine(const std::string& line) {
    TheHarness().input->reader->line = line;
    const char* const argv[] = {"vek", nullptr};
    const std::string fault = Check(1, argv);
    return fault.empty() ? fault : "JSON line: " + fault;
}

std::string CheckCommandLine(const std::vector<std::string>& arguments) {
    TheHarness().input->reader->line.clear();
    std::vector<std::string> storage{"vek"};
    storage.insert(storage.end(), arguments.begin(), arguments.end());
    std::vector<const char*> argv;
    for (const auto& argument : storage) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    const std::vector<const char*> before = argv;
    std::string fault = Check(static_cast<int>(storage.size()), argv.data());
    if (fault.empty() && argv != before) {
        fault = "the caller's argv was reordered";
    }
    return fault.empty() ? fault : "command line: " + fault;
}

std::string CheckInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return CheckJsonLine("");
    }
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if ((data[0] & 1) == 0) {
        return CheckJsonLine(rest);
    }
    std::vector<std::string> arguments;
    for (std::size_t start = 0;;) {
        const std::size_t end = rest.find('\0', start);
        arguments.push_back(rest.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return CheckCommandLine(arguments);
}

}  // namespace VekFuzz
