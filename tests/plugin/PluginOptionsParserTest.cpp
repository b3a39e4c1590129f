// check_vek's command line: what each option sets and every refusal's reason.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/PluginOptionsParser.h"
#include "plugin/XPluginUsageError.h"

namespace {

using VekPlugin::ParsePluginOptions;
using VekPlugin::PluginOptions;
using VekPlugin::PluginStateEnum;
using Arguments = std::vector<std::string>;

const Arguments kMinimal = {"-H", "server.example", "-l", "monitor"};

Arguments With(Arguments extra) {
    Arguments arguments = kMinimal;
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
}

std::string Refusal(const Arguments& arguments) {
    try {
        ParsePluginOptions(arguments);
    } catch (const VekPlugin::XPluginUsageError& error) {
        return error.what();
    }
    return "<accepted>";
}

TEST(PluginOptionsParserTest, DefaultsOfAMinimalCommandLine) {
    const PluginOptions options = ParsePluginOptions(kMinimal);
    EXPECT_EQ(options.hostname, "server.example");
    EXPECT_EQ(options.logname, "monitor");
    EXPECT_EQ(options.port, 22u);
    EXPECT_EQ(options.timeoutSeconds, 10);
    // Any address family, IPv6 first, as check_ssh resolves.
    EXPECT_TRUE(options.ipv6);
    EXPECT_FALSE(options.command);
    EXPECT_FALSE(options.expectExit);
    EXPECT_EQ(options.timeoutState, PluginStateEnum::Critical);
    EXPECT_FALSE(options.warning);
    EXPECT_FALSE(options.critical);
    EXPECT_EQ(options.probePath, "");
}

TEST(PluginOptionsParserTest, LongShortAttachedAndAbbreviatedForms) {
    const PluginOptions options = ParsePluginOptions({"--hostname=::1",
                                                      "--logname",
                                                      "monitor",
                                                      "-p2222",
                                                      "--timeout=5",
                                                      "-6",
                                                      "-C",
                                                      "uptime",
                                                      "-w",
                                                      "0.5",
                                                      "--critical=@1:2",
                                                      "--stage-warning",
                                                      "kex=0.2",
                                                      "--stage-critical=auth=3:",
                                                      "--stage-warning",
                                                      "exec=~:1",
                                                      "--expect-exit=3",
                                                      "-r",
                                                      "OpenSSH_9",
                                                      "-e",
                                                      "^up",
                                                      "--timeout-state",
                                                      "unknown",
                                                      "--probe",
                                                      "/opt/vek",
                                                      "--password-file",
                                                      "/run/pw"});
    EXPECT_EQ(options.hostname, "::1");
    EXPECT_EQ(options.port, 2222u);
    EXPECT_EQ(options.timeoutSeconds, 5);
    EXPECT_TRUE(options.ipv6);
    EXPECT_EQ(options.command.value_or(""), "uptime");
    EXPECT_EQ(options.warning->Text(), "0.5");
    EXPECT_EQ(options.critical->Text(), "@1:2");
    EXPECT_EQ(options.stageWarning[VekProbeClient::FindStage("kex")]->Text(), "0.2");
    EXPECT_EQ(options.stageWarning[VekProbeClient::FindStage("exec")]->Text(), "~:1");
    EXPECT_EQ(options.stageCritical[VekProbeClient::FindStage("auth")]->Text(), "3:");
    EXPECT_FALSE(options.stageCritical[VekProbeClient::FindStage("kex")]);
    EXPECT_EQ(options.expectExit, 3);
    EXPECT_EQ(options.remoteVersion.value_or(""), "OpenSSH_9");
    EXPECT_EQ(options.expect.value_or(""), "^up");
    EXPECT_EQ(options.timeoutState, PluginStateEnum::Unknown);
    EXPECT_EQ(options.probePath, "/opt/vek");
    EXPECT_EQ(options.passwordFile, "/run/pw");
}

TEST(PluginOptionsParserTest, TheLastOfARepeatedOptionCounts) {
    const PluginOptions options =
        ParsePluginOptions(With({"-6", "-4", "-t", "3:2", "-t", "4", "--timeout-state=1"}));
    EXPECT_FALSE(options.ipv6);
    EXPECT_EQ(options.timeoutSeconds, 4);
    EXPECT_EQ(options.timeoutState, PluginStateEnum::Warning);
    // check_tcp's -t SECONDS:STATE.
    EXPECT_EQ(ParsePluginOptions(With({"-t", "7:unknown"})).timeoutState, PluginStateEnum::Unknown);
}

TEST(PluginOptionsParserTest, HelpAndVersionWinOverEverythingElse) {
    EXPECT_TRUE(ParsePluginOptions({"--bogus", "-p", "0", "-h"}).showHelp);
    EXPECT_TRUE(ParsePluginOptions({"-V"}).showVersion);
    EXPECT_TRUE(ParsePluginOptions({"-t", "x", "--version"}).showVersion);
}

TEST(PluginOptionsParserTest, RefusesWithTheReason) {
    const std::vector<std::pair<Arguments, std::string>> cases = {
        {{"-l", "monitor"}, "no host name given (-H)"},
        {{"-H", "server", "-C", "uptime"}, "-C/--command needs a user name (-l)"},
        {{"-H", "server", "-i", "/k"},
         "--password-file and -i/--identity-file need a user name (-l)"},
        {With({"-p", "0"}), "invalid port '0': give a whole number from 1 to 65535"},
        {With({"-p", "65536"}), "invalid port '65536': give a whole number from 1 to 65535"},
        {With({"-p", "22x"}), "invalid port '22x': give a whole number from 1 to 65535"},
        {With({"-t", "0"}), "invalid timeout '0': give a whole number from 1 to 2147483"},
        {With({"-t", "1.5"}), "invalid timeout '1.5': give a whole number from 1 to 2147483"},
        {With({"-C", "x", "--expect-exit", "256"}),
         "invalid exit code '256': give a whole number from 0 to 255"},
        {With({"-w", "5:1"}), "invalid threshold range '5:1': start is greater than end"},
        {With({"-c", "x"}), "invalid threshold range 'x': end is not a number"},
        {With({"--stage-warning", "kex"}), "--stage-warning 'kex': give STAGE=RANGE"},
        {With({"--stage-critical", "handshake=1"}),
         "--stage-critical: unknown stage 'handshake' (stages: dns, connect, banner, kex, "
         "service_request, auth, exec)"},
        {With({"--timeout-state", "fatal"}),
         "invalid state 'fatal': use OK, WARNING, CRITICAL, UNKNOWN or 0 to 3"},
        {With({"-e", "x"}), "-e/--expect needs a command (-C)"},
        {With({"--expect-exit", "0"}), "--expect-exit needs a command (-C)"},
        {With({"--stage-warning", "exec=1"}), "--stage-warning exec=... needs a command (-C)"},
        {With({"--stage-critical", "exec=1"}), "--stage-critical exec=... needs a command (-C)"},
        {With({"-t", "5:fatal"}),
         "invalid state 'fatal': use OK, WARNING, CRITICAL, UNKNOWN or 0 to 3"},
        {With({"-C", "true", "-e", "a("}), "invalid regular expression 'a(': missing ): a("},
        {With({"-C", "true", "-e", "\\d"}),
         "invalid regular expression '\\d': invalid escape sequence: \\d"},
        {With({"--passphrase-file", "/run/pp"}), "--passphrase-file needs an identity file (-i)"},
        {With({"--host-key", "MD5:ab"}),
         "invalid host key fingerprint 'MD5:ab': give SHA256:<base64>, 64 hex digits or 32 "
         "colon-separated hex pairs"},
        {With({"-z"}), "unknown option -z"},
        {With({"--bogus"}), "unknown or ambiguous option --bogus"},
        {With({"--stage=kex=1"}), "unknown or ambiguous option --stage"},
        {With({"-C"}), "option -C needs a value"},
        {With({"extra"}), "unexpected argument 'extra'"},
        {With({"-l", ""}), "empty value for -l/--logname"},
        {With({"-C", ""}), "empty value for -C/--command"},
    };
    for (const auto& [arguments, reason] : cases) {
        std::string shown;
        for (const std::string& argument : arguments) {
            shown += " '" + argument + "'";
        }
        EXPECT_EQ(Refusal(arguments), reason) << shown;
    }
}

}  // namespace
