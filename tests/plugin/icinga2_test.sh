#!/usr/bin/env bash
# Runs check_vek under a real scheduler: a private Icinga 2 daemon (its own
# configuration, state, log, cache, spool and run folders in a temporary folder;
# not the machine's service, no systemd) with the Icinga 2 configuration of
# docs/plugin.md exactly as printed (only its VekPluginDir set to the build
# folder), a host "build-server" for the sshd fixture and the check_vek.ini the
# doc's login service reads. Both of the doc's services are checked at once
# through the external command pipe. Passes when the daemon's performance data
# writer records both as OK with check_vek's performance data, and the state file
# the daemon writes when it stops holds the same results.
# The daemon runs in a session of its own and is always stopped, within bounded
# waits, however the test ends.
#
#   icinga2_test.sh <check_vek binary> <sshd fixture state folder>
set -euo pipefail

usage() { echo "usage: $0 <check_vek binary> <sshd fixture state folder>"; }
case "${1:-}" in
    -h|--help) usage; exit 0 ;;
    -*) usage >&2; exit 2 ;;
esac
[ $# -eq 2 ] || { usage >&2; exit 2; }
plugin=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
fixture=$2

fail() { echo "icinga2 test: FAILED: $*" >&2; exit 1; }
icinga2=$(command -v icinga2) || fail "icinga2 is not installed (scripts/bootstrap installs it)"
[ -x "$plugin" ] || fail "$plugin is not executable"
[ -r "$fixture/fixture.env" ] || fail "the sshd fixture is not running ($fixture/fixture.env)"
# shellcheck disable=SC1091
. "$fixture/fixture.env"

work=$(mktemp -d /tmp/vek-icinga2.XXXXXX)
chmod 700 "$work"
daemon=""
# SIGTERM goes to the daemon's main process, which stops its helpers and writes
# the state file; what is left of its session after that is killed.
stop_daemon() {
    [ -n "$daemon" ] || return 0
    local stopped=1
    kill -TERM "$daemon" 2>/dev/null || true
    for _ in $(seq 150); do
        kill -0 "$daemon" 2>/dev/null || { stopped=0; break; }
        sleep 0.1
    done
    kill -KILL -- "-$daemon" 2>/dev/null || true
    wait "$daemon" 2>/dev/null || true
    daemon=""
    return "$stopped"
}
cleanup() {
    stop_daemon || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p "$work"/{etc,lib,log,cache,spool,run,perfdata}
# Every icinga2 block of docs/plugin.md, in order, as printed; the one line a
# reader sets is the folder of check_vek.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
printed=$(awk '/^```icinga2$/ { inside = 1; next } inside && /^```$/ { inside = 0; next } inside' \
    "$root/docs/plugin.md")
grep -qx 'const VekPluginDir = "/usr/bin"' <<<"$printed" ||
    fail "no line const VekPluginDir = \"/usr/bin\" in docs/plugin.md"
for object in 'object CheckCommand "vek"' 'apply Service "ssh-audit"' 'object Service "ssh-login"'; do
    [[ "$printed" == *"$object"* ]] || fail "no $object in docs/plugin.md"
done
configuration=$(sed "s|^const VekPluginDir = \"/usr/bin\"\$|const VekPluginDir = \"$(dirname "$plugin")\"|" \
    <<<"$printed")
user=$(id -un)
group=$(id -gn)
# The credentials are in the ini file, read by check_vek only.
(umask 077 && cat > "$work/etc/check_vek.ini" <<INI
[ssh-login]
logname = $SSHD_USER
password = $SSHD_PASSWORD
known-hosts = $SSHD_KNOWN_HOSTS
INI
)
cat > "$work/etc/icinga2.conf" <<CONF
object FileLogger "main-log" {
  path = "$work/log/icinga2.log"
  severity = "information"
}
object CheckerComponent "checker" { }
object ExternalCommandListener "command" { command_path = "$work/run/icinga2.cmd" }
object PerfdataWriter "perfdata" {
  host_perfdata_path = "$work/perfdata/host-perfdata"
  service_perfdata_path = "$work/perfdata/service-perfdata"
  host_temp_path = "$work/perfdata/host-perfdata.tmp"
  service_temp_path = "$work/perfdata/service-perfdata.tmp"
  service_format_template = "SERVICE::\$service.name\$\tSTATE::\$service.state\$\tOUTPUT::\$service.output\$\tPERFDATA::\$service.perfdata\$"
  rotation_interval = 1s
}
$configuration
object CheckCommand "passive-host" { command = [ "/bin/true" ] }
object Host "build-server" {
  address = "$SSHD_HOST"
  check_command = "passive-host"
  enable_active_checks = false
  vars.os = "Linux"
  vars.vek_port = $SSHD_PORT
}
CONF
chmod 600 "$work/etc/icinga2.conf"

defines=(
    -DRunAsUser="$user" -DRunAsGroup="$group"
    -DConfigDir="$work/etc" -DDataDir="$work/lib" -DLogDir="$work/log"
    -DCacheDir="$work/cache" -DSpoolDir="$work/spool" -DInitRunDir="$work/run"
    -DPidPath="$work/run/icinga2.pid" -DStatePath="$work/lib/icinga2.state"
    -DObjectsPath="$work/cache/icinga2.debug" -DVarsPath="$work/cache/icinga2.vars"
    -DModAttrPath="$work/lib/modified-attributes.conf"
)
"$icinga2" daemon -C -c "$work/etc/icinga2.conf" "${defines[@]}" >"$work/validate.log" 2>&1 ||
    { cat "$work/validate.log" >&2; fail "the configuration does not validate"; }
setsid "$icinga2" daemon -c "$work/etc/icinga2.conf" "${defines[@]}" >"$work/daemon.log" 2>&1 &
daemon=$!

# The first scheduled check may come a minute after the start: both are forced
# once the command pipe is there. A record of the writer spans lines when the
# output does.
forced=""
written=""
for _ in $(seq 600); do
    if [ -z "$forced" ] && [ -p "$work/run/icinga2.cmd" ]; then
        now=$(date +%s)
        for service in ssh-login ssh-audit; do
            printf '[%s] SCHEDULE_FORCED_SVC_CHECK;build-server;%s;%s\n' "$now" "$service" "$now"
        done > "$work/run/icinga2.cmd"
        forced=yes
    fi
    written=$(cat "$work"/perfdata/service-perfdata.[0-9]* 2>/dev/null || true)
    [[ "$written" == *SERVICE::ssh-login*PERFDATA::* && "$written" == *SERVICE::ssh-audit*PERFDATA::* ||
       "$written" == *SERVICE::ssh-audit*PERFDATA::* && "$written" == *SERVICE::ssh-login*PERFDATA::* ]] && break
    kill -0 "$daemon" 2>/dev/null || { cat "$work/daemon.log" >&2; fail "icinga2 ended early"; }
    sleep 0.1
done
[[ "$written" == *SERVICE::ssh-login* && "$written" == *SERVICE::ssh-audit* ]] ||
    { tail -20 "$work/log/icinga2.log" >&2; fail "no result of both services within 60 s"; }
stop_daemon || fail "icinga2 did not stop within 15 s of SIGTERM"

python3 - "$written" "$work/lib/icinga2.state" "$SSHD_HOST:$SSHD_PORT" <<'PY' || fail "unexpected result"
import json, re, sys

written, state_path, target = sys.argv[1:]
stages = ["time", "dns", "connect", "banner", "kex", "service_request", "auth", "exec"]
ok = r"SSH OK - %s SSH-2\.0-OpenSSH_[^|\n]+ in \d+\.\d{3} s" % re.escape(target)
# Per service: its perfdata labels with warn;crit, and its status line. A loaded
# machine may pass the doc's thresholds, and the sshd may offer what the audit
# calls weak: those answers are legitimate too.
expected = {
    "ssh-login": (dict({s: ";" for s in stages}, time="5;8", kex=";2", auth=";4", output_bytes=""),
                  r"(%s|SSH (WARNING|CRITICAL) - \S+ took .*)\n *\d+:\d+:\d+ up .*load average: .*" % ok),
    "ssh-audit": ({s: ";" for s in stages[:6]}, r"%s|SSH WARNING - weak algorithms offered: \S+" % ok),
}

def check(service, state, output, items, where):
    limits, status = expected[service]
    assert [item.split("=")[0].strip("'") for item in items] == list(limits), (where, items)
    for item in items:
        label = item.split("=")[0].strip("'")
        form = r"\d+B;;;0" if label == "output_bytes" else r"\d+\.\d{3}s;%s;0;10" % limits[label]
        assert re.fullmatch(r"'?%s'?=%s" % (label, form), item), (where, item)
    assert re.fullmatch(status, output, re.S), (where, output)
    assert state == ["OK", "WARNING", "CRITICAL", "UNKNOWN"].index(output.split(" ")[1]), output
    print("%s, %s: state %s, %r" % (service, where, state, output.split("\n")[0]))

for record in written.split("SERVICE::")[1:]:
    fields = dict(field.split("::", 1) for field in record.rstrip("\n").split("\t")[1:])
    state = ["OK", "WARNING", "CRITICAL", "UNKNOWN"].index(fields["STATE"])
    check(record.split("\t")[0], state, fields["OUTPUT"], fields["PERFDATA"].split(" "), "perfdata")

# The state file: "<length>:<JSON object>," records, one per object.
data = open(state_path, encoding="utf-8").read()
position, seen = 0, set()
while position < len(data):
    colon = data.index(":", position)
    length = int(data[position:colon])
    record = json.loads(data[colon + 1:colon + 1 + length])
    position = colon + 1 + length + 1
    if record.get("type") == "Service" and record.get("name", "").startswith("build-server!"):
        last = record["update"]["last_check_result"]
        service = record["name"].split("!")[1]
        check(service, last["state"], last["output"], last["performance_data"], "state file")
        seen.add(service)
assert seen == set(expected), seen
PY
echo "icinga2 test: passed"
