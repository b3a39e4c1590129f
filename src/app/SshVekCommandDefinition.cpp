#include "app/SshVekCommandDefinition.h"

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/VekConstants.h"
#include "domain/CommonTestFlags.h"
#include "domain/CommonTestOptions.h"
#include "iohandler/InclusiveRangeValidator.h"
#include "iohandler/MaxDownloadsBytesValidator.h"
#include "iohandler/TextLengthValidator.h"
#include "iohandler/TimeoutValidator.h"

namespace Ssh {

namespace {

using VekLibrary::IoHandler::InputValueTypeEnum;
using VekLibrary::IoHandler::IVekCommand;
using VekLibrary::IoHandler::IVekCommandBuilder;
using VekLibrary::IoHandler::IVekCommandOption;
using VekLibrary::IoHandler::IVekCommandOptionBuilder;
using VekLibrary::IoHandler::OptionRequirementEnum;
using VekLibrary::IoHandler::OptionValidator;
namespace CommonTestFlags = VekLibrary::VekDomain::DataKeys::CommonTestFlags;
namespace CommonTestOptions = VekLibrary::VekDomain::DataKeys::CommonTestOptions;

// One option of the command, in the terms of the option builder; an empty
// datakey means command line only.
struct OptionDefinition {
    char shortFlag;
    const char* longFlag;
    std::vector<std::string> datakey;
    OptionRequirementEnum requirement;
    InputValueTypeEnum valueType;
    const char* description;
    OptionValidator validator = {};
    std::unordered_set<char> dependencies = {};
    std::unordered_set<char> requirementWaivers = {};
};

std::unique_ptr<IVekCommandOption> BuildOption(IVekCommandOptionBuilder& builder,
                                               const OptionDefinition& definition) {
    builder.AddFlags(definition.shortFlag, definition.longFlag);
    if (!definition.datakey.empty()) {
        builder.AddDatakey(definition.datakey);
    }
    builder.AddOptionRequirement(definition.requirement)
        .AddInputValueType(definition.valueType)
        .AddDescription(definition.description);
    if (definition.validator) {
        builder.AddValidator(definition.validator);
    }
    if (!definition.dependencies.empty()) {
        builder.DependsOn(definition.dependencies);
    }
    if (!definition.requirementWaivers.empty()) {
        builder.NotRequiredWith(definition.requirementWaivers);
    }
    return builder.Build();
}

std::vector<std::string> Capability(const std::string& key) {
    return {VekConstants::CapabilitiesDatakey, key};
}

std::vector<std::string> Setting(const std::string& key) {
    return {VekConstants::SettingsDatakey, key};
}

}  // namespace

std::unique_ptr<IVekCommand> SshVekCommandDefinition::Build(IVekCommandOptionBuilder& optionBuilder,
                                                            IVekCommandBuilder& commandBuilder) {
    using namespace VekConstants;
    using VekLibrary::IoHandler::InclusiveRangeValidator;
    using VekLibrary::IoHandler::MaxDownloadsBytesValidator;
    using VekLibrary::IoHandler::TextLengthValidator;
    using VekLibrary::IoHandler::TimeoutValidator;

    commandBuilder.AddCommandDetails(SshVekCommandName, SshVekCommandDescription);

    const std::vector<std::string> commandLineOnly;
    const OptionDefinition options[] = {
        {UseIpv6OptionShortFlag, UseIpv6OptionLongFlag, Capability(CommonTestFlags::UseIpv6),
         UseIpv6OptionRequirement, UseIpv6OptionInputValueType, UseIpv6OptionDescription},
        {UrlOptionShortFlag, UrlOptionLongFlag, Capability(CommonTestOptions::Url),
         UrlOptionRequirement, UrlOptionInputValueType, UrlOptionDescription,
         TextLengthValidator(UrlOptionShortFlag, MaximumUrlBytes)},
        {TestIdOptionShortFlag, TestIdOptionLongFlag, Capability(CommonTestOptions::TestId),
         TestIdOptionRequirement, TestIdOptionInputValueType, TestIdOptionDescription,
         TextLengthValidator(TestIdOptionShortFlag, MaximumTestIdBytes)},
        {TestTimeoutOptionShortFlag, TestTimeoutOptionLongFlag,
         Capability(CommonTestOptions::MaxStepTime), TestTimeoutOptionRequirement,
         TestTimeoutOptionInputValueType, TestTimeoutOptionDescription, TimeoutValidator()},
        // A handshake-only test sends no user name.
        {UsernameOptionShortFlag,
         UsernameOptionLongFlag,
         Capability(CommonTestOptions::AuthUsername),
         UsernameOptionRequirement,
         UsernameOptionInputValueType,
         UsernameOptionDescription,
         TextLengthValidator(UsernameOptionShortFlag, MaximumUsernameBytes),
         {},
         {HandshakeOnlyOptionShortFlag}},
        // With a private key the password is only its passphrase, so not required;
        // a handshake-only test sends none.
        {PasswordOptionShortFlag,
         PasswordOptionLongFlag,
         Capability(CommonTestOptions::AuthPassword),
         PasswordOptionRequirement,
         PasswordOptionInputValueType,
         PasswordOptionDescription,
         {},
         {},
         {PrivateKeyOptionShortFlag, HandshakeOnlyOptionShortFlag}},
        {CommandsOptionShortFlag, CommandsOptionLongFlag,
         Capability(CommonTestOptions::SendDataBytes), CommandsOptionRequirement,
         CommandsOptionInputValueType, CommandsOptionDescription},
        {MaxDownloadBytesOptionShortFlag, MaxDownloadBytesOptionLongFlag,
         Capability(CommonTestOptions::MaxDownloadBytes), MaxDownloadBytesOptionRequirement,
         MaxDownloadBytesOptionInputValueType, MaxDownloadBytesOptionDescription,
         MaxDownloadsBytesValidator()},
        {IgnoreFileSizeLimitsOptionShortFlag, IgnoreFileSizeLimitsOptionLongFlag,
         Capability(CommonTestFlags::IgnoreFileSizeLimits),
         IgnoreFileSizeLimitsOptionOptionRequirement, IgnoreFileSizeLimitsOptionInputValueType,
         IgnoreFileSizeLimitsOptionDescription},
        {DataDirectoryOptionShortFlag, DataDirectoryOptionLongFlag,
         Setting(DataDirectorySettingDatakey), DataDirectoryOptionRequirement,
         DataDirectoryOptionInputValueType, DataDirectoryOptionDescription},
        {MaxCommandLengthOptionShortFlag,
         MaxCommandLengthOptionLongFlag,
         Setting(MaxCommandLengthSettingDatakey),
         MaxCommandLengthOptionRequirement,
         MaxCommandLengthOptionInputValueType,
         MaxCommandLengthOptionDescription,
         InclusiveRangeValidator<std::uint64_t>(MinimumAllowedCommandsLength,
                                                MaximumAllowedCommandsLength),
         {CommandsOptionShortFlag}},
        {DebugModeOptionShortFlag, DebugModeOptionLongFlag, Setting(DebugModeSettingDatakey),
         DebugModeOptionRequirement, DebugModeOptionInputValueType, DebugModeOptionDescription},
        {UnsecuredModeOptionShortFlag, UnsecuredModeOptionLongFlag, commandLineOnly,
         UnsecuredModeOptionRequirement, UnsecuredModeOptionInputValueType,
         UnsecuredModeOptionDescription},
    };
    for (const OptionDefinition& option : options) {
        commandBuilder.AddOption(BuildOption(optionBuilder, option));
    }
    const OptionDefinition help = {HelpOptionShortFlag, HelpOptionLongFlag,
                                   commandLineOnly,     HelpOptionRequirement,
                                   HelpOptionInputType, HelpOptionDescription};
    commandBuilder.AddShortCircuitOption(BuildOption(optionBuilder, help));
    // Options added after the first release follow the help option in the help text.
    const OptionDefinition laterOptions[] = {
        {HostKeyOptionShortFlag, HostKeyOptionLongFlag, Capability(HostKeyOptionDatakey),
         HostKeyOptionRequirement, HostKeyOptionInputValueType, HostKeyOptionDescription},
        {PrivateKeyOptionShortFlag, PrivateKeyOptionLongFlag, Capability(PrivateKeyOptionDatakey),
         PrivateKeyOptionRequirement, PrivateKeyOptionInputValueType, PrivateKeyOptionDescription},
        {KnownHostsOptionShortFlag, KnownHostsOptionLongFlag, Capability(KnownHostsOptionDatakey),
         KnownHostsOptionRequirement, KnownHostsOptionInputValueType, KnownHostsOptionDescription},
        {HandshakeOnlyOptionShortFlag, HandshakeOnlyOptionLongFlag,
         Capability(HandshakeOnlyOptionDatakey), HandshakeOnlyOptionRequirement,
         HandshakeOnlyOptionInputValueType, HandshakeOnlyOptionDescription},
    };
    for (const OptionDefinition& option : laterOptions) {
        commandBuilder.AddOption(BuildOption(optionBuilder, option));
    }

    return commandBuilder.Build();
}

}  // namespace Ssh
