#include "ProbeCommand.h"

#include <cstdint>
#include <limits>

#include "iohandler/InclusiveRangeValidator.h"
#include "iohandler/MaxDownloadsBytesValidator.h"
#include "iohandler/TimeoutValidator.h"
#include "iohandler/VekCommandBuilder.h"
#include "iohandler/VekCommandFactory.h"
#include "iohandler/VekCommandOptionBuilder.h"
#include "iohandler/VekCommandOptionFactory.h"

namespace VekLibrary::IoHandler::Fuzzing {

std::unique_ptr<IVekCommand> BuildProbeCommand(
    std::shared_ptr<IInputParserAdapterFactory> parserFactory) {
    using Type = InputValueTypeEnum;
    using Req = OptionRequirementEnum;
    VekCommandOptionBuilder option(std::make_shared<VekCommandOptionFactory>());
    VekCommandBuilder command(std::make_shared<VekCommandFactory>(std::move(parserFactory)));
    command.AddCommandDetails("SSH VEK", "Native CLI monitor for SSH tests.");

    const auto add = [&](char shortFlag, const char* longFlag, std::vector<std::string> datakey,
                         Type type, Req requirement) {
        option.AddFlags(shortFlag, longFlag)
            .AddOptionRequirement(requirement)
            .AddInputValueType(type)
            .AddDescription(std::string("The ") + longFlag + " option.");
        if (!datakey.empty()) {
            option.AddDatakey(datakey);
        }
        return &option;
    };
    const std::string caps = "Capabilities";
    add('6', "useIpv6", {caps, "test.common.use-ipv6"}, Type::Boolean, Req::RequiredForJson);
    command.AddOption(option.Build());
    add('u', "url", {caps, "test.common.url"}, Type::String, Req::RequiredForBoth);
    command.AddOption(option.Build());
    add('i', "testId", {caps, "common.test.test-id"}, Type::String, Req::Optional);
    command.AddOption(option.Build());
    add('t', "timeout", {caps, "common.test.max-step-time"}, Type::Integer, Req::Optional)
        ->AddValidator(TimeoutValidator());
    command.AddOption(option.Build());
    add('n', "username", {caps, "common.test.auth-username"}, Type::String, Req::RequiredForBoth);
    command.AddOption(option.Build());
    add('p', "password", {caps, "common.test.auth-password"}, Type::Any, Req::RequiredForBoth);
    command.AddOption(option.Build());
    add('c', "commands", {caps, "common.test.send-data-bytes"}, Type::String, Req::Optional);
    command.AddOption(option.Build());
    add('b', "maxDownloadBytes", {caps, "common.test.max-downloads-bytes"}, Type::Any,
        Req::Optional)
        ->AddValidator(MaxDownloadsBytesValidator());
    command.AddOption(option.Build());
    add('g', "ignoreFileSizeLimits", {caps, "common.test.flag.ignore-file-size-limits"},
        Type::Boolean, Req::Optional);
    command.AddOption(option.Build());
    add('f', "dataDirectory", {"Settings", "DataDirectory"}, Type::String, Req::RequiredForJson);
    command.AddOption(option.Build());
    add('l', "maxCommandLength", {"Settings", "MaxCommandLength"}, Type::Unsigned, Req::Optional)
        ->AddValidator(
            InclusiveRangeValidator<std::uint64_t>(1, std::numeric_limits<std::uint64_t>::max()))
        .DependsOn({'c'});
    command.AddOption(option.Build());
    add('d', "debug", {"Settings", "DebugModeOn"}, Type::Boolean, Req::Optional);
    command.AddOption(option.Build());
    add('x', "unsecured", {}, Type::Boolean, Req::Optional);
    command.AddOption(option.Build());
    add('h', "help", {}, Type::Boolean, Req::Optional);
    command.AddShortCircuitOption(option.Build());
    return command.Build();
}

}  // namespace VekLibrary::IoHandler::Fuzzing
