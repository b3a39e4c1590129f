#include "app/SshTestSessionPolicyFactory.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/SshVekCommandDefinition.h"
#include "app/VekConstants.h"
#include "crypto/Base64Codec.h"
#include "crypto/HostKeyFingerprint.h"
#include "crypto/XCodecError.h"
#include "domain/Exceptions.h"
#include "iohandler/IoHandlerErrors.h"

namespace Ssh {

namespace {

using VekLibrary::XBrokenInvariantsError;
using VekLibrary::IoHandler::IVekCommandBuilder;
using VekLibrary::IoHandler::IVekCommandOptionBuilder;
using VekLibrary::IoHandler::XInvalidTestInputError;

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
    command_ = SshVekCommandDefinition::Build(*optionBuilder, *commandBuilder);
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

    if (command_->TryGet(HandshakeOnlyOptionShortFlag, flag)) {
        created->SetHandshakeOnly(flag);
    }

    std::string encodedCommands;
    if (command_->TryGet(CommandsOptionShortFlag, encodedCommands)) {
        if (created->IsHandshakeOnly()) {
            throw XInvalidTestInputError(HandshakeOnlyWithCommandsMessage);
        }
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
    if (command_->TryGet(KnownHostsOptionShortFlag, text)) {
        std::string knownHosts;
        try {
            VekLibrary::Crypto::Base64Codec::Decode(text, knownHosts);
        } catch (const VekLibrary::Crypto::XCodecError&) {
            throw XInvalidTestInputError("The known hosts are not properly base64 encoded.");
        }
        created->SetKnownHosts(knownHosts);
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
