#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "iohandler/InputValueTypeEnum.h"
#include "iohandler/OptionRequirementEnum.h"

// The definition of the "SSH VEK" command: one group of constants per option, in
// the order in which the options are added to the command, and the defaults of
// the test policy. The descriptions are the help text's; their lines are joined by
// a single line feed. The second-level JSON keys of the "Capabilities" object are
// the common data keys of VekDomain::DataKeys and are not repeated here.
namespace Ssh::VekConstants {

using OptionRequirementEnum = VekLibrary::IoHandler::OptionRequirementEnum;
using InputValueTypeEnum = VekLibrary::IoHandler::InputValueTypeEnum;

inline constexpr char SshVekCommandName[] = "SSH VEK";
inline constexpr char SshVekCommandDescription[] = "Native CLI monitor for SSH tests.";

// Outer keys of the JSON input document and the keys inside "Settings".
inline constexpr char CapabilitiesDatakey[] = "Capabilities";
inline constexpr char SettingsDatakey[] = "Settings";
inline constexpr char DataDirectorySettingDatakey[] = "DataDirectory";
inline constexpr char MaxCommandLengthSettingDatakey[] = "MaxCommandLength";
inline constexpr char DebugModeSettingDatakey[] = "DebugModeOn";

inline constexpr char UseIpv6OptionShortFlag = '6';
inline constexpr char UseIpv6OptionLongFlag[] = "useIpv6";
inline constexpr char UseIpv6OptionDescription[] =
    "If true, try v6 with v4 as fallback if no v6 present, otherwise use v4.\n"
    "Default: false.";
inline constexpr OptionRequirementEnum UseIpv6OptionRequirement =
    OptionRequirementEnum::RequiredForJson;
inline constexpr InputValueTypeEnum UseIpv6OptionInputValueType = InputValueTypeEnum::Boolean;

inline constexpr char UrlOptionShortFlag = 'u';
inline constexpr char UrlOptionLongFlag[] = "url";
inline constexpr char UrlOptionDescription[] =
    "The URL to connect to. The format is [qo-ssh://]host[:port]. Schema and port are optional.\n"
    "Default Port: 22";
inline constexpr OptionRequirementEnum UrlOptionRequirement =
    OptionRequirementEnum::RequiredForBoth;
inline constexpr InputValueTypeEnum UrlOptionInputValueType = InputValueTypeEnum::String;

inline constexpr char TestIdOptionShortFlag = 'i';
inline constexpr char TestIdOptionLongFlag[] = "testId";
inline constexpr char TestIdOptionDescription[] = "Test ID.";
inline constexpr OptionRequirementEnum TestIdOptionRequirement = OptionRequirementEnum::Optional;
inline constexpr InputValueTypeEnum TestIdOptionInputValueType = InputValueTypeEnum::String;

inline constexpr char TestTimeoutOptionShortFlag = 't';
inline constexpr char TestTimeoutOptionLongFlag[] = "timeout";
inline constexpr char TestTimeoutOptionDescription[] =
    "Test timeout (in seconds). Set to 0 for no timeout.\n"
    "    Default: 30 seconds\n"
    "    Minimum: 1 second (or 0 second for no-limit)\n"
    "    Maximum: No upper bound enforced by VEK.";
inline constexpr OptionRequirementEnum TestTimeoutOptionRequirement =
    OptionRequirementEnum::Optional;
inline constexpr InputValueTypeEnum TestTimeoutOptionInputValueType = InputValueTypeEnum::Integer;

inline constexpr char UsernameOptionShortFlag = 'n';
inline constexpr char UsernameOptionLongFlag[] = "username";
inline constexpr char UsernameOptionDescription[] = "Username for the SSH connection.";
inline constexpr OptionRequirementEnum UsernameOptionRequirement =
    OptionRequirementEnum::RequiredForBoth;
inline constexpr InputValueTypeEnum UsernameOptionInputValueType = InputValueTypeEnum::String;

inline constexpr char PasswordOptionShortFlag = 'p';
inline constexpr char PasswordOptionLongFlag[] = "password";
inline constexpr char PasswordOptionDescription[] =
    "Password(plaintext) of the corresponding username for the SSH connection.";
inline constexpr OptionRequirementEnum PasswordOptionRequirement =
    OptionRequirementEnum::RequiredForBoth;
inline constexpr InputValueTypeEnum PasswordOptionInputValueType = InputValueTypeEnum::Any;

inline constexpr char CommandsOptionShortFlag = 'c';
inline constexpr char CommandsOptionLongFlag[] = "commands";
inline constexpr char CommandsOptionDescription[] =
    "Commands to be executed upon successful SSH connection.\n"
    "    Commands must be base64 encoded.\n"
    "    Maximum allowed characters in plaintext(decoded) commands is controlled by the "
    "MaxCommandLength setting.";
inline constexpr OptionRequirementEnum CommandsOptionRequirement = OptionRequirementEnum::Optional;
inline constexpr InputValueTypeEnum CommandsOptionInputValueType = InputValueTypeEnum::String;

inline constexpr char MaxDownloadBytesOptionShortFlag = 'b';
inline constexpr char MaxDownloadBytesOptionLongFlag[] = "maxDownloadBytes";
inline constexpr char MaxDownloadBytesOptionDescription[] =
    "Maximum number of command execution result bytes to be captured.\n"
    "    Default: 5'000'000 bytes (5MB)\n"
    "    Minimum: 0\n"
    "    Maximum: No upper bound enforced by VEK.";
inline constexpr OptionRequirementEnum MaxDownloadBytesOptionRequirement =
    OptionRequirementEnum::Optional;
inline constexpr InputValueTypeEnum MaxDownloadBytesOptionInputValueType = InputValueTypeEnum::Any;

inline constexpr char IgnoreFileSizeLimitsOptionShortFlag = 'g';
inline constexpr char IgnoreFileSizeLimitsOptionLongFlag[] = "ignoreFileSizeLimits";
inline constexpr char IgnoreFileSizeLimitsOptionDescription[] =
    "Ignore any download limit if the value is 'true' (allowing unlimited download).\n"
    "    If false, the download limit is decided by max-download-bytes.\n"
    "    This flag has higher priority than max-download-bytes.\n"
    "    Default: false";
inline constexpr OptionRequirementEnum IgnoreFileSizeLimitsOptionOptionRequirement =
    OptionRequirementEnum::Optional;
inline constexpr InputValueTypeEnum IgnoreFileSizeLimitsOptionInputValueType =
    InputValueTypeEnum::Boolean;

inline constexpr char DataDirectoryOptionShortFlag = 'f';
inline constexpr char DataDirectoryOptionLongFlag[] = "dataDirectory";
inline constexpr char DataDirectoryOptionDescription[] =
    "Storage path for SSH VEK. Currently unused.";
inline constexpr OptionRequirementEnum DataDirectoryOptionRequirement =
    OptionRequirementEnum::RequiredForJson;
inline constexpr InputValueTypeEnum DataDirectoryOptionInputValueType = InputValueTypeEnum::String;

inline constexpr char MaxCommandLengthOptionShortFlag = 'l';
inline constexpr char MaxCommandLengthOptionLongFlag[] = "maxCommandLength";
inline constexpr char MaxCommandLengthOptionDescription[] =
    "Setting to limit the max allowed characters in commands.\n"
    "Default: 1'000\n"
    "Minimum: 1\n"
    "Maximum: No upper limit enforced by the VEK.";
inline constexpr OptionRequirementEnum MaxCommandLengthOptionRequirement =
    OptionRequirementEnum::Optional;
inline constexpr InputValueTypeEnum MaxCommandLengthOptionInputValueType =
    InputValueTypeEnum::Unsigned;

inline constexpr char DebugModeOptionShortFlag = 'd';
inline constexpr char DebugModeOptionLongFlag[] = "debug";
inline constexpr char DebugModeOptionDescription[] =
    "Enable debug mode (primarily enables debug logging).\n"
    "Default: disabled";
inline constexpr OptionRequirementEnum DebugModeOptionRequirement = OptionRequirementEnum::Optional;
inline constexpr InputValueTypeEnum DebugModeOptionInputValueType = InputValueTypeEnum::Boolean;

// Command line only: no datakey.
inline constexpr char UnsecuredModeOptionShortFlag = 'x';
inline constexpr char UnsecuredModeOptionLongFlag[] = "unsecured";
inline constexpr char UnsecuredModeOptionDescription[] =
    "Enable unsecured mode (primarily enables logging of sensitive VEK input/output values).";
inline constexpr OptionRequirementEnum UnsecuredModeOptionRequirement =
    OptionRequirementEnum::Optional;
inline constexpr InputValueTypeEnum UnsecuredModeOptionInputValueType = InputValueTypeEnum::Boolean;

// Command line only, and a short-circuit option: its presence ends verification.
inline constexpr char HelpOptionShortFlag = 'h';
inline constexpr char HelpOptionLongFlag[] = "help";
inline constexpr char HelpOptionDescription[] = "Print help message.";
inline constexpr OptionRequirementEnum HelpOptionRequirement = OptionRequirementEnum::Optional;
inline constexpr InputValueTypeEnum HelpOptionInputType = InputValueTypeEnum::Boolean;

// Added after help, so that the help text of the fourteen options above stays a
// prefix of the whole.
inline constexpr char HostKeyOptionShortFlag = 'k';
inline constexpr char HostKeyOptionLongFlag[] = "hostKey";
// SSH-specific, so not one of the common data keys.
inline constexpr char HostKeyOptionDatakey[] = "qo-ssh.test.host-key-fingerprints";
inline constexpr char HostKeyOptionDescription[] =
    "Expected SHA-256 fingerprints of the server's host key, separated by commas.\n"
    "    Each is SHA256:<base64> as ssh-keygen -l prints it, or 64 hexadecimal characters,\n"
    "    bare or as 32 pairs separated by colons.\n"
    "    When given, the password is sent only to a server whose key matches one of them.";
inline constexpr OptionRequirementEnum HostKeyOptionRequirement = OptionRequirementEnum::Optional;
inline constexpr InputValueTypeEnum HostKeyOptionInputValueType = InputValueTypeEnum::String;

inline constexpr char PrivateKeyOptionShortFlag = 'a';
inline constexpr char PrivateKeyOptionLongFlag[] = "privateKey";
inline constexpr char PrivateKeyOptionDatakey[] = "common.test.auth-private-key";
inline constexpr char PrivateKeyOptionDescription[] =
    "Private key for public-key authentication, base64 encoded.\n"
    "    The key file's text: OpenSSH or PEM format; Ed25519, ECDSA or RSA.\n"
    "    When given, the password is optional and, if given, unlocks an encrypted key.";
inline constexpr OptionRequirementEnum PrivateKeyOptionRequirement =
    OptionRequirementEnum::Optional;
inline constexpr InputValueTypeEnum PrivateKeyOptionInputValueType = InputValueTypeEnum::String;
// What a decoded private key must begin with: an OpenSSH or PEM armour line.
inline constexpr char PrivateKeyArmourPrefix[] = "-----BEGIN ";

inline constexpr char KnownHostsOptionShortFlag = 'K';
inline constexpr char KnownHostsOptionLongFlag[] = "knownHosts";
inline constexpr char KnownHostsOptionDatakey[] = "qo-ssh.test.known-hosts";
inline constexpr char KnownHostsOptionDescription[] =
    "Known hosts in the OpenSSH known_hosts format, base64 encoded.\n"
    "    When given, credentials are sent only to a server whose host key is listed for its "
    "name.";
inline constexpr OptionRequirementEnum KnownHostsOptionRequirement =
    OptionRequirementEnum::Optional;
inline constexpr InputValueTypeEnum KnownHostsOptionInputValueType = InputValueTypeEnum::String;

inline constexpr char HandshakeOnlyOptionShortFlag = 's';
inline constexpr char HandshakeOnlyOptionLongFlag[] = "handshakeOnly";
inline constexpr char HandshakeOnlyOptionDatakey[] = "qo-ssh.test.handshake-only";
inline constexpr char HandshakeOnlyOptionDescription[] =
    "If true, end the test after the SSH handshake (banner, key exchange, service request).\n"
    "    No user name, password or key is sent, so username and password are not required;\n"
    "    the document reports the server and its algorithms as in every test.\n"
    "    Cannot be combined with commands.\n"
    "    Default: false";
inline constexpr OptionRequirementEnum HandshakeOnlyOptionRequirement =
    OptionRequirementEnum::Optional;
inline constexpr InputValueTypeEnum HandshakeOnlyOptionInputValueType = InputValueTypeEnum::Boolean;
// The refusal of commands in the handshake-only mode.
inline constexpr char HandshakeOnlyWithCommandsMessage[] =
    "The handshake-only mode runs no commands.";

// The defaults of a test policy, which holds them from its construction. The help
// texts above state them too.
inline constexpr bool DefaultUseIpv6 = false;
inline constexpr std::uint16_t DefaultSshPort = 22;
inline constexpr std::int64_t DefaultTestTimeout = 30;  // seconds
inline constexpr std::uint64_t DefaultDownloadBytesLimit = 5000000;
inline constexpr std::uint64_t DefaultAllowedCommandsLength = 1000;
inline constexpr std::uint64_t MinimumAllowedCommandsLength = 1;
inline constexpr std::uint64_t MaximumAllowedCommandsLength =
    std::numeric_limits<std::uint64_t>::max();
inline constexpr char DefaultDataDirectoryPath[] = "/tmp/";
inline constexpr bool DefaultDebugMode = false;
inline constexpr bool DefaultUnsecuredMode = false;
inline constexpr bool DefaultHandshakeOnly = false;

// A timeout option of 0 asks for no limit; the policy stores this many seconds.
inline constexpr std::int64_t NoTestTimeoutLimit = std::numeric_limits<std::int64_t>::max();
// The download limit that stands for "unlimited" when file size limits are ignored.
inline constexpr std::uint64_t IgnoredFileSizeLimitsDownloadBytes = 2147483647;
// A maximum download bytes text that keeps DefaultDownloadBytesLimit.
inline constexpr char KeepDefaultDownloadBytesText[] = "<Bytes.Invalid>";

// The longest test id, user name and URL accepted, in bytes. The test id goes into
// every log line and the result document, the user name and URL into log lines and
// error texts; a value of megabytes would multiply the probe's memory and output.
inline constexpr std::size_t MaximumTestIdBytes = 1024;
inline constexpr std::size_t MaximumUsernameBytes = 1024;
inline constexpr std::size_t MaximumUrlBytes = 1024;

}  // namespace Ssh::VekConstants
