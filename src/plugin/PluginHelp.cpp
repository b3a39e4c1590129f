#include "plugin/PluginHelp.h"

#include "plugin/PluginOptions.h"
#include "plugin/ReportLimits.h"
#include "probeclient/ProbeStages.h"
#include "probeclient/SecretFile.h"

#ifndef VEK_PLUGIN_VERSION
#define VEK_PLUGIN_VERSION "unknown"
#endif

namespace VekPlugin {

std::string VersionText() {
    return std::string("check_vek ") + VEK_PLUGIN_VERSION + " (ssh-vek)\n";
}

std::string HelpText() {
    return VersionText() +
           "Runs one SSH test with the probe vek and answers in the monitoring plugin\n"
           "convention: one status line with performance data, the exit code 0 OK,\n"
           "1 WARNING, 2 CRITICAL or 3 UNKNOWN, and the command's output on later lines.\n"
           "\n"
           "Usage:\n"
           "  check_vek -H <host> [-l <user>] [-p <port>] [--password-file <file> | -i <key file>\n"
           "            [--passphrase-file <file>]] [--host-key <fingerprints>]\n"
           "            [--known-hosts <file>] [-C <command>]\n"
           "            [-t <seconds>] [-4|-6] [-w <range>] [-c <range>]\n"
           "            [--stage-warning <stage>=<range>]... [--stage-critical "
           "<stage>=<range>]...\n"
           "            [--expect-exit <code>] [-r <text>] [-e <regex>] [--timeout-state <state>]\n"
           "            [--weak-algorithms <state>] [--terrapin <state>] [--probe <path>]\n"
           "  check_vek -h | -V\n"
           "\n"
           "Options:\n"
           "  -H, --hostname=HOST\n"
           "        Host name or IP address to test (an IPv6 address without brackets).\n"
           "  -p, --port=PORT\n"
           "        SSH port, 1 to 65535 (default 22).\n"
           "  -l, --logname=USER\n"
           "        User name to log in as. Without it the check ends after the SSH\n"
           "        handshake and needs no credentials (nor takes -C, -i or\n"
           "        --password-file).\n"
           "  --password-file=FILE\n"
           "        File that holds the password (one trailing line end is dropped). Without\n"
           "        it (and without -i) the password is taken from the environment variable\n"
           "        VEK_PASSWORD. Secrets never go on a command line: check_vek hands them to\n"
           "        the probe on its standard input.\n"
           "  -i, --identity-file=FILE\n"
           "        Private key file to authenticate with instead of a password.\n"
           "  --passphrase-file=FILE\n"
           "        File that holds the passphrase of the -i key.\n"
           "        Secret files must be regular files of at most " +
           std::to_string(VekProbeClient::kMaxSecretFileBytes / 1024) +
           " KiB that only their owner\n"
           "        may access (chmod 600).\n"
           "  --host-key=FINGERPRINTS\n"
           "        Comma-separated SHA-256 fingerprints of the accepted host keys, as\n"
           "        ssh-keygen -l prints them (SHA256:...), as 64 hex digits or as 32\n"
           "        colon-separated hex pairs. Any other host key is CRITICAL.\n"
           "  --known-hosts=FILE\n"
           "        OpenSSH known_hosts file (e.g. from ssh-keygen -H or ssh-keyscan -H)\n"
           "        whose lines for the host, or [host]:port for a port other than 22, list\n"
           "        the accepted keys. A host it has no line for is UNKNOWN; another key, or\n"
           "        one marked @revoked, is CRITICAL. With --host-key too, a key either\n"
           "        accepts is accepted unless revoked.\n"
           "  -C, --command=TEXT\n"
           "        Text run by the remote shell; its output is captured. Without it the\n"
           "        test ends after authentication.\n"
           "  -t, --timeout=SECONDS\n"
           "        Time budget of the whole test, 1 to 2147483 (default " +
           std::to_string(kDefaultTimeoutSeconds) +
           ").\n"
           "  -4, --use-ipv4\n"
           "        Resolve the host name to an IPv4 address (the default).\n"
           "  -6, --use-ipv6\n"
           "        Prefer an IPv6 address, falling back to IPv4.\n"
           "  -w, --warning=RANGE\n"
           "        WARNING when the total time in seconds alerts on RANGE.\n"
           "  -c, --critical=RANGE\n"
           "        CRITICAL when the total time in seconds alerts on RANGE.\n"
           "  --stage-warning=STAGE=RANGE\n"
           "        WARNING when one stage's time in seconds alerts on RANGE; repeatable.\n"
           "        Stages: " +
           VekProbeClient::StageNameList() +
           ".\n"
           "  --stage-critical=STAGE=RANGE\n"
           "        CRITICAL likewise; repeatable.\n"
           "  --expect-exit=CODE\n"
           "        Exit status the command must end with, 0 to 255 (default 0), else\n"
           "        CRITICAL.\n"
           "  -r, --remote-version=TEXT\n"
           "        CRITICAL unless TEXT is part of the server's identification line, as in\n"
           "        SSH-2.0-OpenSSH_9.2p1.\n"
           "  -e, --expect=REGEX\n"
           "        CRITICAL unless the regular expression (RE2's POSIX syntax) matches the\n"
           "        captured output (^ and $ also match at line ends). Needs -C.\n"
           "  --timeout-state=STATE\n"
           "        State of a test whose time budget ran out: OK, WARNING, CRITICAL or\n"
           "        UNKNOWN, or 0 to 3 (default CRITICAL).\n"
           "  --weak-algorithms=STATE\n"
           "        State of a server that offers algorithms the probe's policy flags as\n"
           "        weak (default OK: not checked); the status line lists them.\n"
           "  --terrapin=STATE\n"
           "        State of a server whose offer is open to the Terrapin attack,\n"
           "        CVE-2023-48795 (default OK: not checked).\n"
           "  --probe=PATH\n"
           "        The probe to run (default: vek in the folder of check_vek).\n"
           "  -V, --version\n"
           "        Print the version and exit with 3 (UNKNOWN).\n"
           "  -h, --help\n"
           "        Print this help and exit with 3 (UNKNOWN).\n"
           "\n"
           "Ranges:\n"
           "  As in the Monitoring Plugins Development Guidelines: 10 alerts outside 0..10,\n"
           "  10: below 10, ~:10 above 10, 10:20 outside 10..20, @10:20 inside 10..20.\n"
           "\n"
           "Output:\n"
           "  SSH OK - <host>:<port> [<server identification> ]in <seconds> s|<perfdata>\n"
           "\n"
           "  On WARNING and CRITICAL the reasons replace the text after the dash.\n"
           "  Performance data: time, then dns, connect, banner, kex, service_request,\n"
           "  auth and exec as far as the test got, in seconds, and output_bytes when the\n"
           "  command ran. The captured output follows, cut to " +
           std::to_string(kLongOutputBytes) +
           " bytes.\n"
           "\n"
           "States:\n"
           "  Every failure the probe reports is CRITICAL, except a time budget that ran\n"
           "  out (--timeout-state). A refused test input, a probe that cannot be run or\n"
           "  writes no result, and a usage error are UNKNOWN. A probe still running " +
           std::to_string(kProbeGraceSeconds) +
           " s\n"
           "  after the budget is killed and the check gets --timeout-state.\n";
}

}  // namespace VekPlugin
