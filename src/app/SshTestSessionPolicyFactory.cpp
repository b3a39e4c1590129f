#include "app/SshTestSessionPolicyFactory.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/VekConstants.h"
#include "crypto/Base64Codec.h"
#include "crypto/HostKeyFingerprint.h"
#include "crypto/XCodecError.h"
#include "domain/CommonTestFlags.h"
#include "domain/CommonTestOptions.h"
#include "domain/Exceptions.h"
#include "iohandler/InclusiveRangeValidator.h"
#include "iohandler/IoHandlerErrors.h"
#include "iohandler/MaxDownloadsBytesValidator.h"
#include "iohandler/TimeoutValidator.h"

namespace Ssh {

namespace {

using VekLibrary::XBrokenInvariantsError;
using VekLibrary::IoHandler::InputValueTypeEnum;
using VekLibrary::IoHandler::IVekCommand;
using VekLibrary::IoHandler::IVekCommandBuilder;
using VekLibrary::IoHandler::IVekCommandOption;
using VekLibrary::IoHandler::IVekCommandOptionBuilder;
using VekLibrary::IoHandler::OptionRequirementEnum;
using VekLibrary::IoHandler::OptionValidator;
using VekLibrary::IoHandler::XInvalidTestInputError;
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

void WipeBytes(std::vector<unsigned char>& bytes) {
    bytes.resize(bytes.capacity());
    volatile unsigned char* data = bytes.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        data[i] = 0;
    }
}

// A credential on its way from the command into the policy; zero-filled when it
// goes out of scope, so this copy is not left behind in freed memory.
struct CredentialText final {
    ~CredentialText() {
        text.resize(text.capacity());
        volatile char* bytes = text.data();
        for (std::string::size_type i = 0; i < text.size(); ++i) {
            bytes[i] = '\0';
        }
    }
    std::string text;
};

// Decodes the -a text into `keyText`. Neither text is repeated in a refusal: both
// are secrets.
void DecodePrivateKey(const std::string& encoded, std::string& keyText) {
    std::vector<unsigned char> decoded;
    try {
        VekLibrary::Crypto::Base64Codec::Decode(encoded, decoded);
    } catch (const VekLibrary::Crypto::XCodecError&) {
        WipeBytes(decoded);
        throw XInvalidTestInputError("private key (-a) is not properly base64 encoded.");
    }
    keyText.reserve(decoded.size());
    keyText.assign(decoded.begin(), decoded.end());
    WipeBytes(decoded);
    if (keyText.compare(0, sizeof(VekConstants::PrivateKeyArmourPrefix) - 1,
                        VekConstants::PrivateKeyArmourPrefix) != 0) {
        throw XInvalidTestInputError("The private key is not an OpenSSH or PEM private key.");
    }
}

std::uint64_t ParseDownloadBytes(const std::string& text) {
    try {
        return std::stoull(text);
    } catch (const std::invalid_argument& error) {
        throw XInvalidTestInputError(std::string(error.what()) + ". Invalid input: " + text +
                                     ". Expected a number.");
    } catch (const std::out_of_range& error) {
        throw XInvalidTestInputError(std::string(error.what()) + ". Invalid input: " + text +
                                     " is outside the range of the desired type");
    }
}

}  // namespace

SshTestSessionPolicyFactory::SshTestSessionPolicyFactory(
    std::shared_ptr<IVekCommandOptionBuilder> optionBuilder,
    std::shared_ptr<IVekCommandBuilder> commandBuilder,
    std::shared_ptr<VekLibrary::Networking::IUrlComponentsFactory> urlComponentsFactory)
    : urlComponentsFactory_(std::move(urlComponentsFactory)) {
    if (!optionBuilder) {
        throw XBrokenInvariantsError("CommandOptionBuilder cannot be null.");
    }
    if (!commandBuilder) {
        throw XBrokenInvariantsError("CommandBuilder cannot be null.");
    }
    if (!urlComponentsFactory_) {
        throw XBrokenInvariantsError("UrlComponentsFactory cannot be null.");
    }
    command_ = BuildSshVekCommand(*optionBuilder, *commandBuilder);
}

std::unique_ptr<IVekCommand> SshTestSessionPolicyFactory::BuildSshVekCommand(
    IVekCommandOptionBuilder& optionBuilder, IVekCommandBuilder& commandBuilder) {
    using namespace VekConstants;
    using VekLibrary::IoHandler::InclusiveRangeValidator;
    using VekLibrary::IoHandler::MaxDownloadsBytesValidator;
    using VekLibrary::IoHandler::TimeoutValidator;

    commandBuilder.AddCommandDetails(SshVekCommandName, SshVekCommandDescription);

    const std::vector<std::string> commandLineOnly;
    const OptionDefinition options[] = {
        {UseIpv6OptionShortFlag, UseIpv6OptionLongFlag, Capability(CommonTestFlags::UseIpv6),
         UseIpv6OptionRequirement, UseIpv6OptionInputValueType, UseIpv6OptionDescription},
        {UrlOptionShortFlag, UrlOptionLongFlag, Capability(CommonTestOptions::Url),
         UrlOptionRequirement, UrlOptionInputValueType, UrlOptionDescription},
        {TestIdOptionShortFlag, TestIdOptionLongFlag, Capability(CommonTestOptions::TestId),
         TestIdOptionRequirement, TestIdOptionInputValueType, TestIdOptionDescription},
        {TestTimeoutOptionShortFlag, TestTimeoutOptionLongFlag,
         Capability(CommonTestOptions::MaxStepTime), TestTimeoutOptionRequirement,
         TestTimeoutOptionInputValueType, TestTimeoutOptionDescription, TimeoutValidator()},
        {UsernameOptionShortFlag, UsernameOptionLongFlag,
         Capability(CommonTestOptions::AuthUsername), UsernameOptionRequirement,
         UsernameOptionInputValueType, UsernameOptionDescription},
        // With a private key the password is only its passphrase, so not required.
        {PasswordOptionShortFlag,
         PasswordOptionLongFlag,
         Capability(CommonTestOptions::AuthPassword),
         PasswordOptionRequirement,
         PasswordOptionInputValueType,
         PasswordOptionDescription,
         {},
         {},
         {PrivateKeyOptionShortFlag}},
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
    const OptionDefinition hostKey = {HostKeyOptionShortFlag,           HostKeyOptionLongFlag,
                                      Capability(HostKeyOptionDatakey), HostKeyOptionRequirement,
                                      HostKeyOptionInputValueType,      HostKeyOptionDescription};
    commandBuilder.AddOption(BuildOption(optionBuilder, hostKey));
    const OptionDefinition privateKey = {
        PrivateKeyOptionShortFlag,           PrivateKeyOptionLongFlag,
        Capability(PrivateKeyOptionDatakey), PrivateKeyOptionRequirement,
        PrivateKeyOptionInputValueType,      PrivateKeyOptionDescription};
    commandBuilder.AddOption(BuildOption(optionBuilder, privateKey));

    return commandBuilder.Build();
}

std::string SshTestSessionPolicyFactory::CreateOrReturnHelpMessage(
    int argc, const char* const* argv, std::unique_ptr<SshTestSessionPolicy>& policy) {
    using namespace VekConstants;

    command_->Parse(argc, argv);

    bool help = false;
    if (command_->TryGet(HelpOptionShortFlag, help) && help) {
        return command_->GetHelpMessage();
    }

    // Filled aside so that a refusal leaves the caller's policy as it was. It
    // starts with the defaults; each option given replaces one.
    auto created = std::make_unique<SshTestSessionPolicy>();

    bool flag = false;
    std::string text;
    std::int64_t signedNumber = 0;

    if (command_->TryGet(UseIpv6OptionShortFlag, flag)) {
        created->SetIpv6ModeStatus(flag);
    }

    if (command_->TryGet(UrlOptionShortFlag, text)) {
        std::unique_ptr<VekLibrary::Networking::UrlComponents> components;
        try {
            urlComponentsFactory_->Create(text, components);
        } catch (const XBrokenInvariantsError& error) {
            throw XInvalidTestInputError(text + " is not valid. Error: " + error.what());
        }
        created->SetHostName(components->GetHost());
        // 0 means the URL names no port.
        const std::uint16_t port = components->GetPortAsNumber();
        if (port != 0) {
            created->SetPortNumber(port);
        }
    }

    if (command_->TryGet(TestIdOptionShortFlag, text)) {
        created->SetTestId(text);
    }

    if (command_->TryGet(TestTimeoutOptionShortFlag, signedNumber)) {
        created->SetTestTimeout(
            std::chrono::seconds(signedNumber == 0 ? NoTestTimeoutLimit : signedNumber));
    }

    {
        CredentialText username;
        if (command_->TryGet(UsernameOptionShortFlag, username.text)) {
            created->SetUsername(username.text);
        }
        CredentialText password;
        if (command_->TryGet(PasswordOptionShortFlag, password.text)) {
            created->SetPassword(password.text);
        }
    }

    std::string encodedCommands;
    if (command_->TryGet(CommandsOptionShortFlag, encodedCommands)) {
        std::string commands;
        try {
            VekLibrary::Crypto::Base64Codec::Decode(encodedCommands, commands);
        } catch (const VekLibrary::Crypto::XCodecError&) {
            throw XInvalidTestInputError("commands are not properly base64 encoded: " +
                                         encodedCommands);
        }
        std::uint64_t maxCommandLength = DefaultAllowedCommandsLength;
        command_->TryGet(MaxCommandLengthOptionShortFlag, maxCommandLength);
        created->SetMaxCommandLength(maxCommandLength);
        if (commands.size() > maxCommandLength) {
            throw XInvalidTestInputError("Command Length exceeds max allowed command length: " +
                                         std::to_string(maxCommandLength));
        }
        created->SetCommands(commands);
    }

    if (command_->TryGet(IgnoreFileSizeLimitsOptionShortFlag, flag) && flag) {
        created->SetMaxDownloadBytes(IgnoredFileSizeLimitsDownloadBytes);
    } else if (command_->TryGet(MaxDownloadBytesOptionShortFlag, text) &&
               text != KeepDefaultDownloadBytesText) {
        created->SetMaxDownloadBytes(ParseDownloadBytes(text));
    }

    if (command_->TryGet(DataDirectoryOptionShortFlag, text)) {
        created->SetDataDirectory(text);
    }
    if (command_->TryGet(DebugModeOptionShortFlag, flag)) {
        created->SetDebugModeStatus(flag);
    }
    if (command_->TryGet(UnsecuredModeOptionShortFlag, flag)) {
        created->SetUnsecuredModeStatus(flag);
    }
    if (command_->TryGet(HostKeyOptionShortFlag, text)) {
        std::vector<HostKeyFingerprint> fingerprints;
        std::string refused;
        if (!VekLibrary::Crypto::HostKeyFingerprintText::ParseList(text, fingerprints, refused)) {
            throw XInvalidTestInputError("Invalid host key fingerprint: " + refused +
                                         ". Expected SHA256:<base64> or 64 hexadecimal "
                                         "characters.");
        }
        created->SetExpectedHostKeys(fingerprints);
    }
    {
        CredentialText encodedKey;
        if (command_->TryGet(PrivateKeyOptionShortFlag, encodedKey.text)) {
            CredentialText keyText;
            DecodePrivateKey(encodedKey.text, keyText.text);
            created->SetPrivateKey(keyText.text);
            created->SetPrivateKeyArgument(encodedKey.text);
        }
    }

    policy = std::move(created);
    return "";
}

}  // namespace Ssh
