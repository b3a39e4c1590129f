#!/usr/bin/env bash
# Every script of the repository answers -h and --help with its usage on standard
# output and exit code 0, and refuses an unknown option with its usage on standard
# error and exit code 2. Neither may start anything: under strace, the only
# programs executed are the script itself and its interpreter (several of these
# scripts build, create users or start servers once they get going). Where git is
# at hand, every tracked file that starts with "#!" must be in the list below.
set -euo pipefail

usage() {
    printf '%s\n' \
        "usage: $0 [-h|--help]" \
        "" \
        "Runs every script of the repository with -h, --help and an unknown option and" \
        "checks the exit code, where the usage went, and that nothing was started."
}
for argument in "$@"; do
    case "$argument" in
        -h | --help) usage; exit 0 ;;
        *) usage >&2; exit 2 ;;
    esac
done

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
scripts=(
    .ci/run
    benchmarks/compare
    benchmarks/exporter
    benchmarks/load
    benchmarks/ssh-client
    cmake/debian/postinst
    cmake/debian/postrm
    cmake/debian/prerm
    cmake/make-exporter-manpage.sh
    cmake/make-manpage.sh
    cmake/make-plugin-manpage.sh
    deploy/check_exporter_manifests.py
    deploy/check_grafana_dashboard.py
    deploy/container/build-image
    deploy/container/finish-rootfs
    deploy/container/manifest_container
    deploy/container/test_image.sh
    deploy/fanout.sh
    deploy/sharding/test_sharding.sh
    deploy/test_examples.sh
    scripts/bootstrap
    scripts/fuzz-smoke
    scripts/run
    scripts/test
    tests/app/valgrind_test.sh
    tests/fixtures/asyncssh_fixture.sh
    tests/fixtures/asyncssh_server.py
    tests/fixtures/sshd_fixture.sh
    tests/exporter/quickstart_test.py
    tests/exporter/security_test.py
    tests/fixtures/validate_json_documents.py
    tests/fresh-root/run_in_fresh_root.sh
    tests/fuzz/prepare-libssh2.sh
    tests/package/package_test.sh
    tests/plugin/icinga2_test.sh
    tests/scripts/help_test.sh
)
# Long enough for a slow machine, far too short for a build or a bootstrap.
limit_seconds=20

work=$(mktemp -d "${TMPDIR:-/tmp}/vek-help-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=()
fail() { failures+=("$1: $2"); }

if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    while IFS= read -r -d '' file; do
        [ -f "$root/$file" ] && head -c 2 "$root/$file" | grep -qx '#!' || continue
        listed=0
        for script in "${scripts[@]}"; do [ "$script" = "$file" ] && listed=1; done
        [ "$listed" -eq 1 ] || fail "$file" "a script that this test does not know; add it to the list"
    done < <(git -C "$root" grep -lzI -e '^#!' -- .)
fi

tracer=()
if command -v strace >/dev/null && strace -f -qq -o /dev/null true 2>/dev/null; then
    tracer=(strace -f -z -qq -s 4096 -e trace=execve -o "$work/exec.log")
else
    echo "strace is missing or cannot trace here: not checking what the scripts execute"
fi

# run <script> <expected exit code> <stream that must hold the usage> <argument>
run() {
    local script=$1 expected=$2 stream=$3 argument=$4 path="$root/$1" status=0
    rm -f "$work/exec.log"
    (cd "$work" && timeout -s KILL "$limit_seconds" "${tracer[@]}" "$path" "$argument" \
        </dev/null >"$work/out" 2>"$work/err") || status=$?
    local what="'$argument'"
    if [ "$status" -ne "$expected" ]; then
        fail "$script" "$what: exit code $status, expected $expected"
    fi
    local other=err
    [ "$stream" = err ] && other=out
    grep -q '^usage: ' "$work/$stream" || fail "$script" "$what: no usage on std$stream"
    [ -s "$work/$other" ] && fail "$script" "$what: std$other is not empty: $(head -c 200 "$work/$other")"
    if [ -f "$work/exec.log" ]; then
        # Each program executed must have been handed this script (the interpreter
        # of its "#!" line, or env on the way to it).
        local started
        started=$(grep -F 'execve(' "$work/exec.log" | grep -vF "\"$path\"" || true)
        [ -z "$started" ] || fail "$script" "$what: started $(head -c 300 <<<"$started")"
    fi
    return 0
}

for script in "${scripts[@]}"; do
    if [ ! -x "$root/$script" ]; then
        fail "$script" "missing or not executable"
        continue
    fi
    run "$script" 0 out -h
    run "$script" 0 out --help
    run "$script" 2 err --no-such-option
done

if [ ${#failures[@]} -gt 0 ]; then
    printf 'FAILED: %s\n' "${failures[@]}" >&2
    exit 1
fi
echo "${#scripts[@]} scripts answer -h and --help and refuse an unknown option; none started anything"
