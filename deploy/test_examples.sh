#!/usr/bin/env bash
# Checks the deployment examples of deploy/:
#   1. systemd: `systemd-analyze verify` of an instance of ssh-vek@.service and
#      ssh-vek@.timer must pass without a word, the units must keep their key
#      settings, and the service's ExecStart line, run as written (outside systemd,
#      with the built probe in place of /usr/local/bin/vek and the input file on
#      standard input), must append one document and a line feed per run.
#      Units are never loaded into or started by the running service manager.
#      Where systemd-analyze is missing (a machine without systemd, e.g. a
#      container), the verify step is skipped with a note; the units were verified
#      with systemd-analyze 252 of Debian 12 when they were written.
#   2. kubernetes: cronjob.yaml and secret.yaml parsed with python3-yaml; the
#      structure is checked: a batch/v1 CronJob on a schedule, no container argument
#      or environment variable carrying a credential, and the probe's standard input
#      taken from the file of the mounted Secret, whose input.json is a valid input.
#      The exporter's Deployment, Service, ConfigMap and Secret, its sharded
#      StatefulSet and the Prometheus scrape example are checked by
#      check_exporter_manifests.py (the image that deploy/container/build-image
#      makes, its user and port, credentials only as files, blackbox-style
#      relabelling, the shards' hashmod), and the scrape example by
#      `promtool check config` (Debian's prometheus package). The exporter's Grafana
#      dashboard (grafana/vek-exporter.json) by check_grafana_dashboard.py: its four
#      panels, and every query parsed by `promtool check rules`.
#   3. fanout.sh for real: 20 inputs against a throwaway fixture sshd give 20
#      lines, each a valid result document; an input the probe rejects and a test
#      that outlives the per-test timeout each give an error line instead.
# Needs root (the sshd fixture creates a user); bootstraps and builds the probe.
set -euo pipefail

usage() {
    printf '%s\n' \
        "usage: $0 [-h|--help]" \
        "" \
        "Checks the deployment examples of deploy/: the systemd units (verified, and" \
        "their ExecStart line run for real), the Kubernetes manifests (structure, no" \
        "credential in arguments or environment) and fanout.sh against a throwaway" \
        "private sshd. Needs root. Bootstraps and builds the probe first." \
        "" \
        "Environment:" \
        "  VEK_BUILD_DIR  build folder (default: build)"
}
for argument in "$@"; do
    case "$argument" in
        -h | --help) usage; exit 0 ;;
        *) usage >&2; exit 2 ;;
    esac
done

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deploy="$root/deploy"
build=${VEK_BUILD_DIR:-build}
case "$build" in /*) ;; *) build="$root/$build" ;; esac

[ "$(id -u)" -eq 0 ] || { echo "deploy/test_examples.sh needs root (the sshd fixture creates a user)" >&2; exit 1; }

"$root/scripts/bootstrap"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target vek -j "$(nproc)" >/dev/null
vek="$build/src/app/vek"

work=$(mktemp -d /tmp/vek-deploy-test.XXXXXX)
state="$work/sshd"
cleanup() {
    "$root/tests/fixtures/sshd_fixture.sh" stop "$state" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
fail() { echo "deploy examples: FAILED: $*" >&2; exit 1; }

"$root/tests/fixtures/sshd_fixture.sh" start "$state" >/dev/null

# input_line <test id> <url> <commands> [<budget s>]: one JSON input line.
input_line() {
    /usr/bin/python3 - "$state/fixture.env" "$@" <<'PYTHON'
import base64, json, sys
env = dict(line.strip().split("=", 1) for line in open(sys.argv[1]) if "=" in line)
test_id, url, commands = sys.argv[2:5]
budget = int(sys.argv[5]) if len(sys.argv) > 5 else 10
print(json.dumps({
    "Capabilities": {
        "test.common.use-ipv6": False,
        "test.common.url": url.replace("PORT", env["SSHD_PORT"]),
        "common.test.test-id": test_id,
        "common.test.max-step-time": budget,
        "common.test.auth-username": env["SSHD_USER"],
        "common.test.auth-password": env["SSHD_PASSWORD"],
        "common.test.send-data-bytes": base64.b64encode(commands.encode()).decode(),
        "common.test.max-downloads-bytes": "5000000",
        "common.test.flag.ignore-file-size-limits": False,
    },
    "Settings": {"DataDirectory": "/tmp/", "MaxCommandLength": 1000, "DebugModeOn": False},
}, separators=(",", ":")))
PYTHON
}

# check_documents <file> <expected lines> <test id:expected output|error>...
check_documents() {
    /usr/bin/python3 - "$@" <<'PYTHON'
import json, sys
path, expected, wanted = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
data = open(path, encoding="utf-8").read()
if not data.endswith("\n"):
    sys.exit(f"{path}: does not end with a line feed")
lines = data[:-1].split("\n")
if len(lines) != expected:
    sys.exit(f"{path}: {len(lines)} lines, expected {expected}")
for number, (line, want) in enumerate(zip(lines, wanted), 1):
    test_id, _, output = want.partition(":")
    document = json.loads(line)
    if output.startswith("FanoutError"):
        if document.get("FanoutError") != "no document" or \
                str(document.get("ExitCode")) != output.split("=")[1]:
            sys.exit(f"{path}:{number}: expected an error line ({output}): {line[:200]}")
        continue
    step = document["MonitorResults"][0]["StepResults"][0]
    metrics = step["Metrics"][0]["MetricData"]
    if metrics.get("common.test.test-id") != test_id:
        sys.exit(f"{path}:{number}: test id {metrics.get('common.test.test-id')}, not {test_id}")
    if output == "error":
        if not step["OtherData"].get("common.results.error-code"):
            sys.exit(f"{path}:{number}: expected an error: {line[:200]}")
    elif step["OtherData"] or \
            metrics.get("qo-ssh.results.metrics.command-execution.result") != output:
        sys.exit(f"{path}:{number}: unexpected document: {line[:300]}")
PYTHON
}

# --- 1. systemd ---------------------------------------------------------------
units="$work/units"
mkdir -p "$units"
cp "$deploy/systemd/ssh-vek@.service" "$deploy/systemd/ssh-vek@.timer" "$units/"
if command -v systemd-analyze >/dev/null; then
    verify=$(systemd-analyze verify "$units/ssh-vek@web1.service" "$units/ssh-vek@web1.timer" 2>&1) ||
        fail "systemd-analyze verify: $verify"
    [ -z "$verify" ] || fail "systemd-analyze verify: $verify"
    echo "systemd: systemd-analyze verify passed ($(systemd-analyze --version | head -n 1))"
else
    echo "systemd: systemd-analyze not found, verify skipped (checked with systemd 252 when written)"
fi
service="$units/ssh-vek@.service"
for setting in Type=oneshot 'StandardInput=file:/etc/ssh-vek/%i.json' LogsDirectory=ssh-vek \
               DynamicUser=yes NoNewPrivileges=yes ProtectSystem=strict PrivateTmp=yes; do
    grep -qxF "$setting" "$service" || fail "ssh-vek@.service lacks $setting"
done
grep -qxF OnCalendar=minutely "$units/ssh-vek@.timer" || fail "ssh-vek@.timer is not minutely"
# The ExecStart line as systemd runs it: %i expanded, stdin from the input file.
input_line web1 127.0.0.1:PORT 'echo hello' > "$work/web1.json"
mkdir -p "$work/logs"
for _ in 1 2; do
    /usr/bin/python3 - "$service" "$vek" "$work/logs" "$work/web1.json" <<'PYTHON'
import os, shlex, subprocess, sys
service, vek, logs, source = sys.argv[1:]
line = next(l for l in open(service) if l.startswith("ExecStart="))
argv = [word.replace("%i", "web1").replace("/usr/local/bin/vek", vek)
        for word in shlex.split(line[len("ExecStart="):])]
with open(source, "rb") as stdin:
    code = subprocess.run(argv, stdin=stdin, stderr=subprocess.DEVNULL, timeout=60,
                          env={"LOGS_DIRECTORY": logs, "PATH": "/usr/bin:/bin"}).returncode
sys.exit(f"ExecStart exited with {code}" if code else 0)
PYTHON
done
check_documents "$work/logs/web1.jsonl" 2 "web1:hello"$'\n' "web1:hello"$'\n' ||
    fail "the service's ExecStart line"
echo "systemd: ExecStart appended 2 documents, one per line"

# --- 2. kubernetes ------------------------------------------------------------
/usr/bin/python3 - "$deploy/kubernetes/cronjob.yaml" "$deploy/kubernetes/secret.yaml" <<'PYTHON' ||
import json, re, sys
import yaml
cronjob_path, secret_path = sys.argv[1:]
cronjob = yaml.safe_load(open(cronjob_path))
secret = yaml.safe_load(open(secret_path))
assert cronjob["apiVersion"] == "batch/v1" and cronjob["kind"] == "CronJob", "not a CronJob"
assert len(cronjob["spec"]["schedule"].split()) == 5, "schedule is not a cron expression"
assert secret["apiVersion"] == "v1" and secret["kind"] == "Secret", "not a Secret"
line = secret["stringData"]["input.json"]
assert line.count("\n") == 1 and line.endswith("\n"), "input.json is not one line"
capabilities = json.loads(line)["Capabilities"]
password = capabilities["common.test.auth-password"]
assert isinstance(capabilities["common.test.max-step-time"], int), "max-step-time type"
assert isinstance(capabilities["test.common.use-ipv6"], bool), "use-ipv6 type"
assert isinstance(capabilities["common.test.max-downloads-bytes"], str), "max-downloads-bytes type"
pod = cronjob["spec"]["jobTemplate"]["spec"]["template"]["spec"]
volumes = {volume["name"]: volume for volume in pod.get("volumes", [])}
secret_name = secret["metadata"]["name"]
containers = pod.get("containers", []) + pod.get("initContainers", [])
assert containers, "no container"
fed = False
for container in containers:
    assert not container.get("env") and not container.get("envFrom"), \
        f"{container['name']}: the environment must not carry the input"
    words = container.get("command", []) + container.get("args", [])
    text = " ".join(words)
    assert password not in text and not re.search(r"(?i)passw|(^|\s)-p(\s|$)", text), \
        f"{container['name']}: a credential in the arguments: {text}"
    for mount in container.get("volumeMounts", []):
        volume = volumes[mount["name"]]
        if volume.get("secret", {}).get("secretName") != secret_name:
            continue
        assert mount.get("readOnly"), "the Secret is mounted writable"
        items = volume["secret"].get("items") or [{"key": k, "path": k} for k in secret["stringData"]]
        for item in items:
            if item["key"] == "input.json":
                path = mount["mountPath"].rstrip("/") + "/" + item["path"]
                if re.search(r"(^|\s)(exec\s+)?\S*vek\s*<\s*" + re.escape(path) + r"(\s|$|&|;)", text):
                    fed = True
assert fed, "no container feeds the Secret's input.json to vek on standard input"
print(f"kubernetes: CronJob '{cronjob['metadata']['name']}' ({cronjob['spec']['schedule']}) "
      f"feeds Secret '{secret_name}' input.json on stdin; no credential in args or env")
PYTHON
    fail "kubernetes manifests"
"$deploy/check_exporter_manifests.py" "$root" || fail "the exporter's Kubernetes manifests"
command -v promtool >/dev/null || fail "promtool not found (Debian's prometheus package)"
promtool check config "$deploy/kubernetes/prometheus-scrape.yml" >"$work/promtool.log" 2>&1 ||
    fail "promtool check config: $(cat "$work/promtool.log")"
echo "kubernetes: promtool check config passed on prometheus-scrape.yml"
"$deploy/check_grafana_dashboard.py" >"$work/grafana.log" 2>&1 ||
    fail "the Grafana dashboard: $(cat "$work/grafana.log")"
echo "grafana: the dashboard's four panels are there and every query parses (promtool)"

# --- 3. fan-out ---------------------------------------------------------------
expected=()
: > "$work/hosts.jsonl"
for i in $(seq -w 1 20); do
    if [ "$i" = 07 ]; then
        # Nobody listens on port 1: the probe still writes a document, with an error.
        input_line "t$i" 127.0.0.1:1 'echo hello' >> "$work/hosts.jsonl"
        expected+=("t$i:error")
    else
        input_line "t$i" 127.0.0.1:PORT "echo host $i" >> "$work/hosts.jsonl"
        expected+=("t$i:host $i"$'\n')
    fi
done
"$deploy/fanout.sh" -P 8 -t 30 -x "$vek" -o "$work/results.jsonl" "$work/hosts.jsonl" 2>"$work/fanout.err" ||
    fail "fanout.sh: $(cat "$work/fanout.err")"
check_documents "$work/results.jsonl" 20 "${expected[@]}" || fail "fanout.sh output"
echo "fanout: 20 inputs, 20 lines, each a valid result document"

mkdir "$work/hosts.d"
echo '{}' > "$work/hosts.d/a-broken.json"
input_line b-good 127.0.0.1:PORT 'echo good' > "$work/hosts.d/b-good.json"
input_line c-slow 127.0.0.1:PORT 'sleep 30' 10 > "$work/hosts.d/c-slow.json"
status=0
"$deploy/fanout.sh" -t 2 -x "$vek" -o "$work/dir.jsonl" "$work/hosts.d" 2>"$work/fanout.err" || status=$?
[ "$status" -eq 1 ] || fail "fanout.sh exited with $status with two failing inputs"
check_documents "$work/dir.jsonl" 3 "x:FanoutError=1" "b-good:good"$'\n' "x:FanoutError=124" ||
    fail "fanout.sh output for a folder of inputs"
echo "fanout: a rejected input and a timed-out test each gave an error line"

echo "deploy examples: passed"
