#!/usr/bin/env bash
# One full test of the built probe under valgrind's memcheck against the private
# sshd: no memory error, and no byte definitely or indirectly lost.
#
#   valgrind_test.sh <vek binary> <sshd fixture state folder>
set -euo pipefail

usage() {
    printf '%s\n' \
        "usage: $0 [-h|--help] <vek binary> <sshd fixture state folder>" \
        "" \
        "Runs one full test of the probe under valgrind's memcheck against the running" \
        "sshd fixture of the state folder; fails on any memory error or leak."
}
case "${1:-}" in
    -h | --help) usage; exit 0 ;;
    -* | "") usage >&2; exit 2 ;;
esac
case "${2:-}" in -* | "") usage >&2; exit 2 ;; esac
[ $# -eq 2 ] || { usage >&2; exit 2; }
vek=$1
state=$2
# shellcheck disable=SC1091
. "$state/fixture.env"
commands=$(printf 'echo checked; exit 3' | base64 -w0)
# --run-libc-freeres=no: the freeing of glibc's own resources that valgrind runs
# at exit reads uninitialised state of the asynchronous resolver's bookkeeping;
# that is glibc's, not the probe's, and runs only under valgrind.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
document=$(valgrind --quiet --error-exitcode=99 --leak-check=full --run-libc-freeres=no \
    --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
    --log-file="$log" \
    "$vek" -u "127.0.0.1:$SSHD_PORT" -n "$SSHD_USER" -p "$SSHD_PASSWORD" -i valgrind \
    -t 60 -c "$commands" 2>/dev/null) || status=$?
if [ "$status" -ne 0 ] || [ -s "$log" ]; then
    echo "memcheck failed (exit $status):" >&2
    cat "$log" >&2
    exit 1
fi
case "$document" in
    *'"qo-ssh.results.metrics.command-execution.result":"checked\n"'*'return-code.number":3'*) ;;
    *) echo "unexpected document: $document" >&2; exit 1 ;;
esac
echo "memcheck: 0 errors, nothing definitely or indirectly lost"
