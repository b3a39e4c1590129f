#!/usr/bin/env bash
# Runs check_vek under a real scheduler: a private Icinga 2 daemon (its own
# configuration, state, log, cache, spool and run folders in a temporary folder;
# not the machine's service, no systemd) with one host and one service that checks
# the sshd fixture through check_vek every second. Passes when the daemon's
# performance data writer records the service as OK with check_vek's performance
# data, and the state file the daemon writes when it stops holds the same result.
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
# The CheckCommand is the one docs/plugin.md gives users to paste, with the path
# of the built plugin.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
command_definition=$(awk '/^```icinga2$/ { inside = 1; next } inside && /^```$/ { exit } inside' \
    "$root/docs/plugin.md" | sed "s|\"/usr/bin/check_vek\"|\"$plugin\"|")
[[ "$command_definition" == *"object CheckCommand \"vek\""*"\"$plugin\""* ]] ||
    fail "no CheckCommand \"vek\" for /usr/bin/check_vek in docs/plugin.md"
user=$(id -un)
group=$(id -gn)
# The password reaches check_vek through the CheckCommand's env, never its argv;
# the two stage thresholds check that an array becomes a repeated option.
cat > "$work/etc/icinga2.conf" <<CONF
object FileLogger "main-log" {
  path = "$work/log/icinga2.log"
  severity = "information"
}
object CheckerComponent "checker" { }
object PerfdataWriter "perfdata" {
  host_perfdata_path = "$work/perfdata/host-perfdata"
  service_perfdata_path = "$work/perfdata/service-perfdata"
  host_temp_path = "$work/perfdata/host-perfdata.tmp"
  service_temp_path = "$work/perfdata/service-perfdata.tmp"
  service_format_template = "SERVICE::\$service.name\$\tSTATE::\$service.state\$\tOUTPUT::\$service.output\$\tPERFDATA::\$service.perfdata\$"
  rotation_interval = 1s
}
$command_definition
object CheckCommand "passive-host" { command = [ "/bin/true" ] }
object Host "fixture" {
  address = "$SSHD_HOST"
  check_command = "passive-host"
  enable_active_checks = false
}
object Service "ssh" {
  host_name = "fixture"
  check_command = "vek"
  check_interval = 1s
  retry_interval = 1s
  vars.vek_port = $SSHD_PORT
  vars.vek_logname = "$SSHD_USER"
  vars.vek_password = "$SSHD_PASSWORD"
  vars.vek_command = "echo scheduled"
  vars.vek_timeout = 5
  vars.vek_warning = 4
  vars.vek_critical = 5
  vars.vek_stage_critical = [ "kex=4", "auth=4" ]
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

# The first check runs within a second of the start; allow for a busy machine.
# A record of the writer spans lines when the output does.
written=""
for _ in $(seq 600); do
    written=$(cat "$work"/perfdata/service-perfdata.[0-9]* 2>/dev/null || true)
    [[ "$written" == *PERFDATA::* ]] && break
    kill -0 "$daemon" 2>/dev/null || { cat "$work/daemon.log" >&2; fail "icinga2 ended early"; }
    sleep 0.1
done
[[ "$written" == *PERFDATA::* ]] ||
    { tail -20 "$work/log/icinga2.log" >&2; fail "no check result within 60 s"; }
stop_daemon || fail "icinga2 did not stop within 15 s of SIGTERM"

python3 - "$written" "$work/lib/icinga2.state" "$SSHD_HOST:$SSHD_PORT" <<'PY' || fail "unexpected result"
import json, re, sys

written, state_path, target = sys.argv[1:]
record = "SERVICE::" + written.split("SERVICE::")[1]
record = record[:record.index("\n", record.index("PERFDATA::"))] if "\n" in record[record.index("PERFDATA::"):] else record
print("performance data writer: %r" % record)
fields = dict(field.split("::", 1) for field in record.split("\t"))
stages = ["time", "dns", "connect", "banner", "kex", "service_request", "auth", "exec"]

def check_perfdata(items, where):
    labels = [item.split("=", 1)[0].strip("'") for item in items]
    assert labels == stages + ["output_bytes"], (where, labels)
    for item in items[:len(stages)]:
        label = item.split("=", 1)[0].strip("'")
        limits = {"time": ";4;5;0;5", "kex": ";;4;0;5", "auth": ";;4;0;5"}.get(label, ";;;0;5")
        assert re.fullmatch(r"'?%s'?=\d+\.\d{3}s%s" % (label, limits), item), (where, item)
    assert re.fullmatch(r"'?output_bytes'?=10B;;;0", items[-1]), (where, items[-1])

assert fields["STATE"] == "OK", fields
assert re.fullmatch(r"SSH OK - %s SSH-2\.0-OpenSSH_\S+( \S+)* in \d+\.\d{3} s\nscheduled"
                    % re.escape(target), fields["OUTPUT"]), fields["OUTPUT"]
check_perfdata(fields["PERFDATA"].split(" "), "perfdata file")

# The state file: "<length>:<JSON object>," records, one per object.
data = open(state_path, encoding="utf-8").read()
position, service = 0, None
while position < len(data):
    colon = data.index(":", position)
    length = int(data[position:colon])
    record = json.loads(data[colon + 1:colon + 1 + length])
    position = colon + 1 + length + 1
    if record.get("type") == "Service" and record.get("name") == "fixture!ssh":
        service = record["update"]
assert service is not None, "no service in the state file"
last = service["last_check_result"]
assert last["exit_status"] == 0 and last["state"] == 0, last
assert last["output"].startswith("SSH OK - %s SSH-2.0-OpenSSH_" % target), last["output"]
check_perfdata(last["performance_data"], "state file")
print("state file: exit status 0, output %r, %d performance data items"
      % (last["output"].split("\n")[0], len(last["performance_data"])))
PY
echo "icinga2 test: passed"
