// input_fuzzer: the probe's test input through the real SSH VEK command and the
// policy factory the program uses. The first byte picks the form: even, the rest
// is the JSON line on standard input (no arguments); odd, the rest is the
// arguments after the program name, separated by NUL bytes.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/SshTestSessionPolicy.h"
#include "app/SshTestSessionPolicyFactory.h"
#include "fuzz/FuzzFault.h"
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

namespace {

using namespace VekLibrary::IoHandler;

// Standard input holding the current line. Like the real reader it hands over
// the text up to the first line feed only.
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
    // The program's own parser choice: a JSON line for argc 1, argv otherwise.
    auto parsers = std::make_shared<InputParserAdapterFactory>(
        std::make_shared<VekLibrary::Serialization::NlohmannJsonWrapperFactory>(), input);
    return std::make_shared<VekCommandBuilder>(std::make_shared<VekCommandFactory>(parsers));
}

std::shared_ptr<IVekCommandOptionBuilder> MakeOptionBuilder() {
    return std::make_shared<VekCommandOptionBuilder>(std::make_shared<VekCommandOptionFactory>());
}

struct Harness {
    std::shared_ptr<FixedLineFactory> input = std::make_shared<FixedLineFactory>();
    Ssh::SshTestSessionPolicyFactory policyFactory{
        MakeOptionBuilder(), MakeCommandBuilder(input),
        std::make_shared<VekLibrary::Networking::UrlComponentsFactory>()};
    // The same command on its own, to read every flag with every TryGet.
    std::unique_ptr<IVekCommand> command = Ssh::SshTestSessionPolicyFactory::BuildSshVekCommand(
        *MakeOptionBuilder(), *MakeCommandBuilder(input));
};

void CheckPolicy(Harness& harness, int argc, const char* const* argv) {
    std::unique_ptr<Ssh::SshTestSessionPolicy> policy;
    std::string help;
    try {
        help = harness.policyFactory.CreateOrReturnHelpMessage(argc, argv, policy);
    } catch (const XInvalidTestInputError&) {
        if (policy) {
            VekFuzz::Fault("refused input left a policy behind");
        }
        return;
    } catch (const std::exception& error) {
        VekFuzz::Fault("CreateOrReturnHelpMessage threw an undocumented exception", error);
    }
    if (help.empty() != static_cast<bool>(policy)) {
        VekFuzz::Fault(help.empty() ? "no help and no policy" : "help and a policy");
    }
    if (!policy) {
        return;
    }
    // Promises the test session relies on right after this call.
    if (policy->GetHostName().empty()) {
        VekFuzz::Fault("policy without a host");
    }
    if (policy->GetCommands().size() > policy->GetMaxCommandLength()) {
        VekFuzz::Fault("commands longer than the accepted maximum");
    }
    try {
        policy->ToString();
    } catch (const std::exception& error) {
        VekFuzz::Fault("SshTestSessionPolicy::ToString threw", error);
    }
}

// Every TryGet overload on every flag either converts or refuses as documented.
void CheckReads(IVekCommand& command, int argc, const char* const* argv) {
    try {
        command.Parse(argc, argv);
    } catch (const XInvalidTestInputError&) {
        return;
    } catch (const std::exception& error) {
        VekFuzz::Fault("Parse threw an undocumented exception", error);
    }
    for (const auto& option : command.GetCommandOptions()) {
        const char flag = option->GetShortFlag();
        const auto read = [&](auto value) {
            try {
                command.TryGet(flag, value);
            } catch (const XInvalidTestInputError&) {
            } catch (const std::exception& error) {
                VekFuzz::Fault(std::string("TryGet on -") + flag + " threw", error);
            }
        };
        read(false);
        read(std::int64_t{0});
        read(std::uint64_t{0});
        read(0.0);
        read(std::string());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness harness;
    std::vector<std::string> arguments{"vek"};
    harness.input->reader->line.clear();
    if (size > 0) {
        const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
        if ((data[0] & 1) == 0) {
            harness.input->reader->line = rest;
        } else {
            for (std::size_t start = 0;;) {
                const std::size_t end = rest.find('\0', start);
                arguments.push_back(rest.substr(start, end - start));
                if (end == std::string::npos) {
                    break;
                }
                start = end + 1;
            }
        }
    }
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    const int argc = static_cast<int>(arguments.size());
    CheckPolicy(harness, argc, argv.data());
    CheckReads(*harness.command, argc, argv.data());
    return 0;
}
