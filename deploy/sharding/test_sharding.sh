#!/usr/bin/env bash
# Runs the sharding of deploy/sharding for real: two exporters, each with a real
# Prometheus server (Debian's prometheus) whose configuration is
# prometheus-shard.yml made for its shard as the file says, share twenty targets
# (the private fixture sshd on 127.0.0.1, and nineteen further loopback addresses
# on its port, which refuse the connection: a probe that fails is still a scrape).
# Through both servers' HTTP APIs it checks that every target is scraped by exactly
# one server, the one its hashmod names, and dropped by the other, and that the
# sshd's test succeeds on its shard. Scrapes every 2 s; waits, up to 60 s on the
# monotonic clock, only until every target has been scraped once (about 7 s, as
# Prometheus applies discovered targets at most every 5 s).
# Needs root (the sshd fixture creates a user); bootstraps and builds first.
set -euo pipefail

usage() {
    printf '%s\n' \
        "usage: $0 [-h|--help]" \
        "" \
        "Runs two shards of deploy/sharding (two exporters, two Prometheus servers)" \
        "over twenty loopback targets and checks through both Prometheus APIs that" \
        "each target is scraped by exactly one shard, the one its hashmod names." \
        "Needs root. Bootstraps and builds the probe and the exporter first." \
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

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
here="$root/deploy/sharding"
build=${VEK_BUILD_DIR:-build}
case "$build" in /*) ;; *) build="$root/$build" ;; esac

fail() { echo "sharding: FAILED: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "needs root (the sshd fixture creates a user)"
command -v prometheus >/dev/null || fail "prometheus not found (run scripts/bootstrap)"

"$root/scripts/bootstrap"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target vek vek-exporter -j "$(nproc)" >/dev/null

work=$(mktemp -d /tmp/vek-sharding-test.XXXXXX)
state="$work/sshd"
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    "$root/tests/fixtures/sshd_fixture.sh" stop "$state" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

"$root/tests/fixtures/sshd_fixture.sh" start "$state" >/dev/null
fixture_value() { sed -n "s/^$1=//p" "$state/fixture.env"; }
port=$(fixture_value SSHD_PORT)
(umask 077; fixture_value SSHD_PASSWORD >"$work/password")
cat >"$work/exporter.yml" <<YAML
modules:
  login:
    username: "$(fixture_value SSHD_USER)"
    password_file: $work/password
    known_hosts_file: $(fixture_value SSHD_KNOWN_HOSTS)
    timeout: 10s
YAML
{
    echo "- labels:"
    echo "    __param_module: login"
    echo "  targets:"
    for host in $(seq 1 20); do echo "    - 127.0.0.$host:$port"; done
} >"$work/targets.yml"

# listening_port <log>: the port an exporter reports, waited for up to 10 s.
listening_port() {
    python3 - "$1" <<'PYTHON'
import re, sys, time
deadline = time.monotonic() + 10
while time.monotonic() < deadline:
    found = re.search(r'msg="Listening on" address=127\.0\.0\.1:(\d+) ', open(sys.argv[1]).read())
    if found:
        sys.exit(print(found.group(1)))
    time.sleep(0.05)
sys.exit(1)
PYTHON
}
# ready <port> <pid>: Prometheus answers /-/ready, waited for up to 60 s; fails at
# once when the process has ended (another process took the port first).
ready() {
    python3 - "$@" <<'PYTHON'
import sys, time, urllib.request
port, pid = sys.argv[1:]
deadline = time.monotonic() + 60
while time.monotonic() < deadline:
    try:
        state = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()[0]
    except OSError:
        state = "Z"
    if state == "Z":
        sys.exit(1)
    try:
        sys.exit(urllib.request.urlopen(f"http://127.0.0.1:{port}/-/ready", timeout=1).status != 200)
    except OSError:
        time.sleep(0.1)
sys.exit(1)
PYTHON
}
free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

servers=()
for shard in 0 1; do
    folder="$work/shard$shard"
    mkdir "$folder"
    "$build/src/exporter/vek-exporter" --config.file="$work/exporter.yml" \
        --probe.path="$build/src/app/vek" --web.listen-address=127.0.0.1:0 \
        2>"$folder/exporter.log" &
    pids+=($!)
    exporter=$(listening_port "$folder/exporter.log") ||
        fail "exporter $shard did not start: $(cat "$folder/exporter.log")"
    # The shard's configuration as prometheus-shard.yml says, two shards, with
    # short intervals for the test.
    cp "$work/targets.yml" "$folder/targets.yml"
    sed -e "s/: SHARD\$/: \"$shard\"/" -e "s/127\.0\.0\.1:9706/127.0.0.1:$exporter/" \
        -e 's/scrape_interval: 1m/scrape_interval: 2s/' -e 's/scrape_timeout: 15s/scrape_timeout: 2s/' \
        "$here/prometheus-shard.yml" >"$folder/prometheus.yml"
    # A free port may be taken by someone else before Prometheus binds it: then
    # the server ends at once, and another port is tried.
    for attempt in 1 2 3; do
        server=$(free_port)
        prometheus --config.file="$folder/prometheus.yml" --storage.tsdb.path="$folder/data" \
            --web.listen-address="127.0.0.1:$server" --storage.tsdb.retention.time=1h \
            --log.level=warn 2>"$folder/prometheus.log" &
        pids+=($!)
        ready "$server" "$!" && break
        [ "$attempt" -lt 3 ] || fail "Prometheus $shard did not start: $(cat "$folder/prometheus.log")"
    done
    servers+=("$server")
done

divided=yes
python3 - "$work/targets.yml" "127.0.0.1:$port" "${servers[@]}" <<'PYTHON' || divided=no
import hashlib
import json
import sys
import time
import urllib.parse
import urllib.request

import yaml

targets_file, sshd, servers = sys.argv[1], sys.argv[2], sys.argv[3:]
targets = [t for group in yaml.safe_load(open(targets_file)) for t in group["targets"]]


def shard_of(target):
    """Prometheus' hashmod: the last 8 bytes of the MD5 of the value, modulo N."""
    return int.from_bytes(hashlib.md5(target.encode()).digest()[8:], "big") % len(servers)


def api(server, path):
    try:
        with urllib.request.urlopen(f"http://127.0.0.1:{server}/api/v1/{path}", timeout=5) as reply:
            return json.load(reply)["data"]
    except (OSError, ValueError, KeyError):
        return None


def query(server, expression):
    data = api(server, "query?query=" + urllib.parse.quote(expression))
    return {} if data is None else {r["metric"]["instance"]: r["value"][1] for r in data["result"]}


def scraped(server):
    """The ssh job's targets this server has scraped, and the ones it dropped."""
    data = api(server, "targets")
    if data is None:
        return set(), set()
    active = {t["labels"]["instance"] for t in data["activeTargets"]
              if t["scrapePool"] == "ssh" and t["health"] == "up"}
    dropped = {t["discoveredLabels"]["__address__"] for t in data["droppedTargets"]}
    return active, dropped


expected = {server: {t for t in targets if shard_of(t) == shard} for shard, server in enumerate(servers)}
home = servers[shard_of(sshd)]
deadline = time.monotonic() + 60
while True:
    seen = {server: scraped(server) for server in servers}
    done = all(seen[s][0] >= expected[s] for s in servers) and \
        query(home, 'probe_success{job="ssh"}').get(sshd) == "1"
    if done or time.monotonic() > deadline:
        break
    time.sleep(0.25)

for shard, server in enumerate(servers):
    active, dropped = seen[server]
    others = set(targets) - expected[server]
    assert active == expected[server], f"shard {shard} scraped {sorted(active)}, not {sorted(expected[server])}"
    assert dropped >= others, f"shard {shard} did not drop {sorted(others - dropped)}"
    stored = query(server, 'up{job="ssh"}')
    assert set(stored) == expected[server] and set(stored.values()) == {"1"}, \
        f"shard {shard} stored up for {stored}"
assert set().union(*expected.values()) == set(targets)
assert query(home, 'probe_success{job="ssh"}').get(sshd) == "1", f"the sshd's test failed on its shard"
print(f"sharding: {len(targets)} targets over {len(servers)} shards "
      f"({', '.join(str(len(expected[s])) for s in servers)}), each scraped by exactly its own shard")
PYTHON
if [ "$divided" = no ]; then
    for shard in 0 1; do cat "$work/shard$shard/exporter.log" "$work/shard$shard/prometheus.log"; done >&2
    fail "the shards did not divide the targets"
fi
echo "sharding: passed"
