#!/usr/bin/env bash
# Runs many SSH VEK tests at once with xargs -P, one probe process per host, and
# appends one result document per line to an output file.
#
#   deploy/fanout.sh [-P jobs] [-t seconds] [-x vek] -o results.jsonl INPUT
#
# INPUT is a file with one JSON input line per host, or a folder of files with one
# JSON input line each (*.json). Keep it root- or owner-only: each line is fed to
# the probe on standard input, so passwords never show in a process's arguments.
# Every test is ended after -t seconds (default 60; keep it above the tests'
# max-step-time, which the probe keeps to on its own). Documents are written in
# the order of the inputs, each followed by a line feed, once all tests ended. A
# run that wrote no document (the probe's exit code 1, or the timeout) gets a line
# {"FanoutError":...,"Input":...,"ExitCode":...} instead, so the output always has
# one line per input. Exits with 1 when any run wrote no document.
#
# With GNU parallel instead of xargs (it keeps each job's output together):
#   parallel -j 32 --timeout 60 'vek < {} && echo' ::: /etc/ssh-vek/*.json >> results.jsonl
set -euo pipefail

jobs=32
timeout_seconds=60
vek=""
output=""
show_usage() {
    printf '%s\n' \
        "usage: $0 [-h|--help] [-P jobs] [-t seconds] [-x vek] -o output INPUT" \
        "" \
        "Runs one probe per JSON input line (INPUT: a file of lines, or a folder of" \
        "*.json files), -P at a time (default 32), each ended after -t seconds" \
        "(default 60), and appends one result document per line to the output file," \
        "in input order. A run without a document gets a FanoutError line instead;" \
        "the exit code is then 1. -x names the probe binary (default: vek on PATH)."
}
usage() { show_usage >&2; exit 2; }
[ "${1:-}" = --help ] && { show_usage; exit 0; }
while getopts "hP:t:x:o:" option; do
    case "$option" in
        h) show_usage; exit 0 ;;
        P) jobs=$OPTARG ;;
        t) timeout_seconds=$OPTARG ;;
        x) vek=$OPTARG ;;
        o) output=$OPTARG ;;
        *) usage ;;
    esac
done
shift $((OPTIND - 1))
if [ $# -ne 1 ] || [ -z "$output" ]; then usage; fi
input=$1
case "$input" in -*) usage ;; esac
vek=${vek:-$(command -v vek 2>/dev/null || true)}
if [ -z "$vek" ] || [ ! -x "$vek" ]; then echo "$0: no probe binary (give -x)" >&2; exit 2; fi
case "$jobs$timeout_seconds" in *[!0-9]*) usage ;; esac

umask 077
work=$(mktemp -d "${TMPDIR:-/tmp}/vek-fanout.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/in"
if [ -d "$input" ]; then
    find "$input" -maxdepth 1 -name '*.json' -type f | LC_ALL=C sort > "$work/list"
else
    # One file per non-empty line, numbered in input order.
    grep -v '^[[:space:]]*$' "$input" | split -l 1 -a 6 -d --additional-suffix=.json - "$work/in/"
    find "$work/in" -name '*.json' -type f | LC_ALL=C sort > "$work/list"
fi
count=$(wc -l < "$work/list")
[ "$count" -gt 0 ] || { echo "$0: no inputs in $input" >&2; exit 2; }

# One test: its document, or an error line, with a line feed, into <n>.out.
one_test() {
    local index=$1 source=$2 result="$work/$1.out" code=0
    timeout -k 2 "$timeout_seconds" "$vek" < "$source" > "$result" 2> "$work/$index.err" || code=$?
    if [ "$code" -ne 0 ] || [ ! -s "$result" ]; then
        local name
        name=$(basename "$source" | tr -c 'A-Za-z0-9._@-' '_')
        printf '{"FanoutError":"no document","Input":"%s","ExitCode":%d}' "$name" "$code" > "$result"
        echo "fanout: $name wrote no document (exit $code): $(tail -n 1 "$work/$index.err")" >&2
    fi
    echo >> "$result"
}
export -f one_test
export work vek timeout_seconds

# shellcheck disable=SC2016  # expanded by the inner bash
nl -ba -nrz -w6 -s' ' "$work/list" | tr '\n' '\0' |
    xargs -0 -P "$jobs" -n 1 bash -c 'one_test ${1%% *} "${1#* }"' one_test

failed=0
while read -r index _; do
    cat "$work/$index.out" >> "$output"
    head -c 15 "$work/$index.out" | grep -q '^{"FanoutError"' && failed=$((failed + 1))
done < <(nl -ba -nrz -w6 -s' ' "$work/list")
echo "fanout: $count test(s), $((count - failed)) document(s), $failed without" >&2
[ "$failed" -eq 0 ]
