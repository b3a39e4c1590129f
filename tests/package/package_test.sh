#!/usr/bin/env bash
# Builds the Debian package ssh-vek in a build folder, installs it, runs the
# installed probe against a throwaway fixture sshd on loopback, and the installed
# exporter (which finds the installed probe beside it) for one probe, checks the man
# pages, the exporter's service as Debian's own exporters install theirs (the unit,
# which systemd-analyze verifies; its system user; its configuration, which the
# service's user can load) and purges the package again.
# The package, the fixture and a service user this run made are always removed,
# however the test ends. Needs root (or sudo) and changes the machine's package set
# for the length of the run.
#
#   tests/package/package_test.sh <build-dir>
set -euo pipefail

usage() {
    printf '%s\n' \
        "usage: $0 [-h|--help] <build-dir>" \
        "" \
        "Builds the Debian package ssh-vek from <build-dir>, installs it, runs the" \
        "installed probe against a throwaway private sshd, checks the man pages and the" \
        "exporter's service (unit, system user, configuration) and purges the package" \
        "again. Needs root or sudo."
}
case "${1:-}" in
    -h | --help) usage; exit 0 ;;
    -* | "") usage >&2; exit 2 ;;
esac
[ $# -eq 1 ] || { usage >&2; exit 2; }
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "$1" && pwd)

fail() { echo "package test: FAILED: $*" >&2; exit 1; }
as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
installed() { dpkg-query -W -f='${Status}' ssh-vek 2>/dev/null | grep -q 'install ok installed'; }

# Two runs at once would install and remove the same package under each other.
exec 9>/tmp/ssh-vek-package-test.lock
flock -w 600 9 || fail "another package test holds /tmp/ssh-vek-package-test.lock"
# A copy installed by someone else is not ours to replace or remove.
installed && fail "ssh-vek is already installed; remove it first"
[ -e /usr/bin/vek ] && fail "/usr/bin/vek exists outside the package"
[ -e /usr/bin/check_vek ] && fail "/usr/bin/check_vek exists outside the package"
[ -e /usr/bin/vek-exporter ] && fail "/usr/bin/vek-exporter exists outside the package"
unit=/lib/systemd/system/vek-exporter.service
[ -e "$unit" ] && fail "$unit exists outside the package"
had_user=0
getent passwd vek-exporter >/dev/null && had_user=1

work=$(mktemp -d /tmp/vek-package-test.XXXXXX)
state="$work/sshd"
exporter_pid=""
cleanup() {
    if [ -n "$exporter_pid" ]; then
        kill "$exporter_pid" 2>/dev/null || true
        wait "$exporter_pid" 2>/dev/null || true
    fi
    as_root "$root/tests/fixtures/sshd_fixture.sh" stop "$state" >/dev/null 2>&1 || true
    if installed; then as_root dpkg -P ssh-vek >/dev/null 2>&1 || true; fi
    if [ "$had_user" -eq 0 ] && getent passwd vek-exporter >/dev/null; then
        as_root userdel vek-exporter >/dev/null 2>&1 || true
        as_root groupdel vek-exporter >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# cpack packages what the build folder holds and builds nothing itself.
cmake --build "$build" --target vek vek_manpage check_vek check_vek_manpage vek-exporter \
    vek_exporter_manpage >/dev/null
(cd "$build" && cpack -G DEB -B "$work/pkg") >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
deb=$(ls "$work"/pkg/ssh-vek_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
# And zlib1g when the probe links zlib shared (test_image.sh checks the linked-in form).
for library in libc6 libssl3 libcpp-httplib0.11 libyaml-cpp0.7 libre2-9 libcrypt1 adduser; do
    [[ ", $depends," =~ ,\ $library[\ ,] ]] || fail "Depends lacks $library: $depends"
done

as_root dpkg -i "$deb" >/dev/null
vek=$(dpkg -L ssh-vek | grep '/bin/vek$') || fail "the package holds no bin/vek"
[ -x "$vek" ] || fail "$vek is not executable"
if command -v man >/dev/null; then
    page=$(man -w vek 2>/dev/null) || fail "man -w vek finds no page"
else
    page=$(dpkg -L ssh-vek | grep '/man1/vek\.1') || fail "the package holds no man page"
fi
dpkg -S "$page" 2>/dev/null | grep -q '^ssh-vek:' || fail "the man page $page is not the package's"
plugin=$(dpkg -L ssh-vek | grep '/bin/check_vek$') || fail "the package holds no bin/check_vek"
[ "$(dirname "$plugin")" = "$(dirname "$vek")" ] || fail "check_vek is not beside vek"
dpkg -L ssh-vek | grep -q '/man1/check_vek\.1' || fail "the package holds no check_vek man page"
exporter=$(dpkg -L ssh-vek | grep '/bin/vek-exporter$') || fail "the package holds no bin/vek-exporter"
dpkg -L ssh-vek | grep -q '/man1/vek-exporter\.1' || fail "the package holds no vek-exporter man page"

# The exporter's service, as Debian's exporters install theirs.
for conffile in /etc/default/vek-exporter /etc/vek-exporter/config.yml; do
    dpkg-query --control-show ssh-vek conffiles | grep -qx "$conffile" || fail "$conffile is no conffile"
done
grep -qx 'ARGS=""' /etc/default/vek-exporter || fail "/etc/default/vek-exporter sets no ARGS"
for line in 'ExecStart=/usr/bin/vek-exporter $ARGS' EnvironmentFile=/etc/default/vek-exporter \
    User=vek-exporter; do
    grep -qxF "$line" "$unit" || fail "$unit lacks $line"
done
IFS=: read -r _ _ uid _ _ _ shell < <(getent passwd vek-exporter) ||
    fail "the package made no user vek-exporter"
[ "$uid" -lt 1000 ] && [ "$shell" = /usr/sbin/nologin ] ||
    fail "vek-exporter is not a system user without a shell: uid $uid, shell $shell"
[ "$(stat -c '%U:%G %a' /etc/vek-exporter)" = "root:vek-exporter 750" ] ||
    fail "/etc/vek-exporter is $(stat -c '%U:%G %a' /etc/vek-exporter), not root:vek-exporter 750"
# The unit's Documentation= page is looked up with man, which a minimal machine lacks;
# the page itself is checked above either way.
verify=(systemd-analyze verify)
command -v man >/dev/null || verify+=(--man=no)
"${verify[@]}" "$unit" >"$work/verify.log" 2>&1 && [ ! -s "$work/verify.log" ] ||
    { cat "$work/verify.log" >&2; fail "systemd-analyze verify $unit (systemd is in scripts/bootstrap)"; }
# The service's command with the packaged configuration, as its user; exec: $! is it.
(
    run=(setpriv --reuid=vek-exporter --regid=vek-exporter --clear-groups)
    [ "$(id -u)" -eq 0 ] || run=(sudo "${run[@]}")
    exec "${run[@]}" /usr/bin/vek-exporter --web.listen-address=127.0.0.1:0 >/dev/null
) 2>"$work/service.log" &
exporter_pid=$!
for _ in $(seq 100); do
    port=$(sed -n 's/.*msg="Listening on" address=127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/service.log")
    [ -n "$port" ] && break
    sleep 0.1
done
[ "$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:${port:-1}/-/healthy")" = 200 ] ||
    { cat "$work/service.log" >&2; fail "the packaged configuration does not serve"; }
kill "$exporter_pid"
wait "$exporter_pid" || true
exporter_pid=""

as_root "$root/tests/fixtures/sshd_fixture.sh" start "$state" >/dev/null
fixture_value() { as_root sed -n "s/^$1=//p" "$state/fixture.env"; }
status=0
"$vek" -u "127.0.0.1:$(fixture_value SSHD_PORT)" -n "$(fixture_value SSHD_USER)" \
    -p "$(fixture_value SSHD_PASSWORD)" -c "$(printf 'echo packaged' | base64 -w0)" \
    >"$work/document" 2>"$work/log" || status=$?
[ "$status" -eq 0 ] || { cat "$work/log" >&2; fail "$vek exited with $status"; }
python3 - "$work/document" <<'PY' || fail "unexpected document: $(cat "$work/document")"
import json, sys
metrics = json.load(open(sys.argv[1]))["MonitorResults"][0]["StepResults"][0]["Metrics"][0]
sys.exit(metrics["MetricData"].get("qo-ssh.results.metrics.command-execution.result") != "packaged\n")
PY

# The installed plugin finds the installed probe beside it.
pwfile="$work/password"
(umask 077; fixture_value SSHD_PASSWORD > "$pwfile")
status=0
answer=$("$plugin" -H 127.0.0.1 -p "$(fixture_value SSHD_PORT)" -l "$(fixture_value SSHD_USER)" \
    --password-file "$pwfile" -C 'echo plugged') || status=$?
[ "$status" -eq 0 ] && [[ "$answer" == "SSH OK - "*$'\n'"plugged" ]] ||
    fail "check_vek answered $status: $answer"

# The installed exporter, with its default --probe.path (the vek beside it).
(umask 077; fixture_value SSHD_PASSWORD > "$work/password")
as_root cat "$(fixture_value SSHD_KNOWN_HOSTS)" > "$work/known_hosts"
cat > "$work/exporter.yml" <<YAML
modules:
  login:
    username: "$(fixture_value SSHD_USER)"
    password_file: $work/password
    known_hosts_file: $work/known_hosts
YAML
"$exporter" --config.file="$work/exporter.yml" --web.listen-address=127.0.0.1:0 2>"$work/exporter.log" &
exporter_pid=$!
python3 - "$work/exporter.log" "$(fixture_value SSHD_PORT)" <<'PY' || { cat "$work/exporter.log" >&2; fail "the installed exporter did not probe"; }
import re, sys, time, urllib.request
for _ in range(100):
    found = re.search(r'msg="Listening on" address=127\.0\.0\.1:(\d+) .* probe=(\S+)', open(sys.argv[1]).read())
    if found:
        break
    time.sleep(0.1)
if not found or found.group(2) != "/usr/bin/vek":
    sys.exit(1)
url = f"http://127.0.0.1:{found.group(1)}/probe?module=login&target=127.0.0.1:{sys.argv[2]}"
body = urllib.request.urlopen(url, timeout=30).read().decode()
sys.exit("probe_success 1\n" not in body)
PY
kill "$exporter_pid"
wait "$exporter_pid" || true
exporter_pid=""

as_root dpkg -P ssh-vek >/dev/null
installed && fail "ssh-vek is still installed after dpkg -P"
for file in "$vek" "$exporter" "$unit" /etc/default/vek-exporter /etc/vek-exporter/config.yml; do
    [ -e "$file" ] && fail "$file is still there after dpkg -P"
done
echo "package test: passed"
