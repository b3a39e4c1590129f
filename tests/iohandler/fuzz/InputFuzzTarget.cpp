#include "InputFuzzTarget.h"

#include <exception>
#include <memory>
#include <typeinfo>

#include "ProbeCommand.h"
#include "iohandler/CliInputParserAdapter.h"
#include "iohandler/IoHandlerErrors.h"
#include "iohandler/JsonInputParserAdapter.h"
#include "serialization/NlohmannJsonWrapperFactory.h"

namespace VekLibrary::IoHandler::Fuzzing {
namespace {

// Hands the JSON parser a fixed line instead of reading descriptor 0.
class FixedLineReader final : public IStreamInputHandler {
public:
    explicit FixedLineReader(std::string line) : m_line(std::move(line)) {}
    std::string ReadInput(std::chrono::milliseconds) override { return m_line; }

private:
    std::string m_line;
};

// Yields the JSON parser over the current line, or the command-line parser.
class SwitchableParserFactory final : public IInputParserAdapterFactory {
public:
    void Create(int, std::shared_ptr<IInputParserAdapter>& out) override {
        if (!jsonMode) {
            out = std::make_shared<CliInputParserAdapter>();
            return;
        }
        std::shared_ptr<Serialization::IJsonWrapper> document;
        Serialization::NlohmannJsonWrapperFactory().Create(document);
        out = std::make_shared<JsonInputParserAdapter>(
            document, std::make_shared<FixedLineReader>(line), std::chrono::milliseconds(5000));
    }

    bool jsonMode = true;
    std::string line;
};

struct Harness {
    std::shared_ptr<SwitchableParserFactory> factory = std::make_shared<SwitchableParserFactory>();
    std::unique_ptr<IVekCommand> command = BuildProbeCommand(factory);
};

Harness& TheHarness() {
    static Harness harness;
    return harness;
}

std::string Describe(const std::exception& error) {
    return std::string(typeid(error).name()) + ": " + error.what();
}

// Runs `call`; a refusal with XInvalidTestInputError is fine, anything else is
// a fault. Returns the fault, or "" and sets `refused`.
template <typename Call>
std::string Guard(const char* what, Call&& call, bool& refused) {
    refused = false;
    try {
        call();
    } catch (const XInvalidTestInputError&) {
        refused = true;
    } catch (const std::exception& error) {
        return std::string(what) + " threw " + Describe(error);
    } catch (...) {
        return std::string(what) + " threw a non-standard exception";
    }
    return "";
}

// Every TryGet overload on every flag either converts or refuses properly.
std::string CheckReads(const IVekCommand& command) {
    for (const auto& option : command.GetCommandOptions()) {
        const char flag = option->GetShortFlag();
        bool refused = false;
        bool b = false;
        std::int64_t i = 0;
        std::uint64_t u = 0;
        double d = 0;
        std::string s;
        for (const std::string& fault :
             {Guard(
                  "TryGet(bool)", [&] { command.TryGet(flag, b); }, refused),
              Guard(
                  "TryGet(int64)", [&] { command.TryGet(flag, i); }, refused),
              Guard(
                  "TryGet(uint64)", [&] { command.TryGet(flag, u); }, refused),
              Guard(
                  "TryGet(double)", [&] { command.TryGet(flag, d); }, refused),
              Guard(
                  "TryGet(string)", [&] { command.TryGet(flag, s); }, refused)}) {
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
    // On the command line an absent help flag reads "false" like every boolean;
    // a given one ends verification and is all that is kept.
    if (!jsonMode && Has(command, 'h', text) && text == "true") {
        for (const auto& option : command.GetCommandOptions()) {
            std::string other;
            if (option->GetShortFlag() != 'h' && Has(command, option->GetShortFlag(), other)) {
                return std::string("help given but -") + option->GetShortFlag() + " kept";
            }
        }
        return "";
    }
    for (const auto& option : command.GetCommandOptions()) {
        const char flag = option->GetShortFlag();
        const bool present = Has(command, flag, text);
        const auto requirement = option->GetOptionRequirement();
        const bool required = requirement == OptionRequirementEnum::RequiredForBoth ||
                              requirement == (jsonMode ? OptionRequirementEnum::RequiredForJson
                                                       : OptionRequirementEnum::RequiredForCli);
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
    if (Has(command, 't', text) && (!command.TryGet('t', timeout) || timeout < 0)) {
        return "timeout passed validation but reads as " + std::to_string(timeout);
    }
    std::uint64_t length = 0;
    if (Has(command, 'l', text) &&
        (!command.TryGet('l', length) || length == 0 || !Has(command, 'c', text))) {
        return "maxCommandLength accepted without commands or as 0";
    }
    return "";
}

std::string Run(bool jsonMode, int argc, const char* const* argv) {
    Harness& harness = TheHarness();
    harness.factory->jsonMode = jsonMode;
    bool refused = false;
    std::string fault = Guard(
        "Parse", [&] { harness.command->Parse(argc, argv); }, refused);
    if (!fault.empty() || refused) {
        return fault;
    }
    fault = CheckReads(*harness.command);
    if (!fault.empty()) {
        return fault;
    }
    try {
        return CheckParsedValues(*harness.command, jsonMode);
    } catch (const std::exception& error) {
        return "reading parsed values threw " + Describe(error);
    }
}

}  // namespace

std::string CheckJsonLine(const std::string& line) {
    TheHarness().factory->line = line;
    const char* const argv[] = {"vek", nullptr};
    const std::string fault = Run(true, 1, argv);
    return fault.empty() ? fault : "JSON line: " + fault;
}

std::string CheckCommandLine(const std::vector<std::string>& arguments) {
    std::vector<std::string> storage{"vek"};
    storage.insert(storage.end(), arguments.begin(), arguments.end());
    std::vector<const char*> argv;
    for (const auto& argument : storage) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    const std::vector<const char*> before = argv;
    std::string fault = Run(false, static_cast<int>(storage.size()), argv.data());
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
    std::size_t start = 0;
    while (start <= rest.size() && !rest.empty()) {
        const std::size_t end = rest.find('\0', start);
        arguments.push_back(rest.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return CheckCommandLine(arguments);
}

}  // namespace VekLibrary::IoHandler::Fuzzing
