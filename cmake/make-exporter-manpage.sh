#!/bin/sh
# Writes the man page vek-exporter.1 from the built exporter's own help text, so
# that the page and `vek-exporter --help` cannot drift apart.
#
#   make-exporter-manpage.sh <vek-exporter binary> <output file> <version>
set -eu

usage() {
    printf '%s\n' \
        "usage: $0 [-h|--help] <vek-exporter binary> <output file> <version>" \
        "" \
        "Writes the man page of the exporter from its own help text (--help)."
}
for argument in "$@"; do
    case "$argument" in
        -h | --help) usage; exit 0 ;;
        -*) usage >&2; exit 2 ;;
    esac
done
[ $# -eq 3 ] || { usage >&2; exit 2; }

exporter=$1
out=$2
version=$3

help=$("$exporter" --help) || {
    echo "make-exporter-manpage.sh: '$exporter --help' failed" >&2
    exit 1
}

printf '%s\n' "$help" | awk -v version="$version" '
function roff(s) {
    gsub(/\\/, "\\e", s)
    if (s ~ /^[.\047]/) s = "\\&" s
    return s
}
function opt(s) { s = roff(s); gsub(/-/, "\\-", s); return s }
BEGIN { section = "head" }
/^usage:/ { next }
/^Options:$/ { section = "options"; next }
/^[ \t]*$/ { if (section == "options") section = "notes"; else if (section == "head" && description != "") section = "headdone"; next }
section == "head" { description = description (description == "" ? "" : " ") roff($0); next }
section == "options" {
    line = $0; sub(/^[ \t]+/, "", line)
    split(line, parts, /   +/)
    options = options ".TP\n\\fB" opt(parts[1]) "\\fR\n" roff(parts[2]) "\n"
    next
}
section == "notes" { notes = notes roff($0) "\n"; next }
END {
    if (options == "") { print "make-exporter-manpage.sh: no options found" > "/dev/stderr"; exit 1 }
    print ".TH VEK\\-EXPORTER 1 \"\" \"ssh-vek " version "\" \"User Commands\""
    print ".SH NAME"
    print "vek\\-exporter \\- Prometheus exporter for SSH tests with the probe vek"
    print ".SH SYNOPSIS"
    print ".B vek\\-exporter"
    print ".RI [ options ]"
    print ".SH DESCRIPTION"
    print description
    print ".SH OPTIONS"
    printf "%s", options
    print ".SH SIGNALS"
    printf "%s", notes
    print ".SH SEE ALSO"
    print "\\fBvek\\fR(1)"
}
' > "$out.tmp"
mv "$out.tmp" "$out"
