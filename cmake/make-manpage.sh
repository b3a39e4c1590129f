#!/bin/sh
# Writes the man page vek.1 from the built program's own help text, so that the
# page and `vek -h` cannot drift apart.
#
#   make-manpage.sh <vek binary> <output file> <version>
set -eu

usage() {
    printf '%s\n' \
        "usage: $0 [-h|--help] <vek binary> <output file> <version>" \
        "" \
        "Writes the man page of the probe from its own help text (vek -h)."
}
for argument in "$@"; do
    case "$argument" in
        -h | --help) usage; exit 0 ;;
        -*) usage >&2; exit 2 ;;
    esac
done
[ $# -eq 3 ] || { usage >&2; exit 2; }

vek=$1
out=$2
version=$3

# The help text is one log line on standard error: the process-ID line first, then
# "<timestamp> [INF][ID=] " and the text itself.
help=$("$vek" -h 2>&1 >/dev/null) || {
    echo "make-manpage.sh: '$vek -h' failed" >&2
    exit 1
}

printf '%s\n' "$help" | awk -v version="$version" '
# Backslashes are roff escapes, and a leading dot or quote would be a request.
function roff(s) {
    gsub(/\\/, "\\e", s)
    if (s ~ /^[.\047]/) s = "\\&" s
    return s
}
# Option names are typeset with real minus signs, so that they can be copied.
function opt(s) {
    s = roff(s)
    gsub(/-/, "\\-", s)
    return s
}
function field(s) { sub(/^[^:]*:[ ]*/, "", s); return s }
function flush() {
    if (flags == "") return
    n = split(flags, f, /, */)
    entry = "\\fB" opt(f[1]) "\\fR"
    for (k = 2; k <= n; k++) entry = entry ", \\fB" opt(f[k]) "\\fR"
    options = options ".TP\n" entry "\n"
    for (k = 1; k <= ndesc; k++) options = options (k > 1 ? ".br\n" : "") roff(desc[k]) "\n"
    if (requirement != "") options = options ".br\nRequirement: " roff(requirement) "\n"
    if (type != "") options = options ".br\nInput type: " roff(type) "\n"
    if (datakey != "") options = options ".br\nDatakey: \\fI" roff(datakey) "\\fR\n"
    if (depends != "") options = options ".br\nDepends on: " opt(depends) "\n"
    # The options the command line cannot do without go into the synopsis, each
    # with its long name as the placeholder of its value.
    if (requirement ~ /Required for CLI/) {
        value = f[n]; sub(/^-*/, "", value)
        required = required " \\fB" opt(f[1]) "\\fR \\fI" roff(value) "\\fR"
    }
    flags = datakey = requirement = type = depends = ""
    ndesc = 0
}
NR == 1 && /^\[SSH VEK\] Current process ID: / { next }
NR == 2 { sub(/^[0-9][-0-9]* [0-9][:.0-9]* \[INF\]\[ID=\] ?/, ""); if ($0 == "") next }
/^Command Name:/ { name = field($0); next }
/^Command Description:/ { description = field($0); next }
/^[ \t]*$/ { flush(); next }
/^Flags:/ { flush(); flags = field($0); next }
/^Datakey:/ { datakey = field($0); next }
/^Requirement:/ { requirement = field($0); next }
/^Input Type:/ { type = field($0); next }
/^Depends On:/ { depends = field($0); sub(/[ ,]*$/, "", depends); next }
flags != "" { line = $0; sub(/^[ \t]+/, "", line); sub(/^Description:[ ]*/, "", line); desc[++ndesc] = line; next }
END {
    flush()
    if (name == "" || options == "") { print "make-manpage.sh: no help text found" > "/dev/stderr"; exit 1 }
    summary = description; sub(/\.$/, "", summary)
    print ".TH VEK 1 \"\" \"ssh-vek " version "\" \"User Commands\""
    print ".SH NAME"
    print "vek \\- " roff(name) ": " roff(summary)
    print ".SH SYNOPSIS"
    print ".B vek" required
    print ".RI [ options ]"
    print ".br"
    print ".B vek"
    print "< \\fIone JSON line\\fR"
    print ".SH DESCRIPTION"
    print roff(description)
    print ".PP"
    print "Options come from the command line or, when \\fBvek\\fR is started without"
    print "arguments, from one JSON line on standard input. An option\\(aqs datakey is its"
    print "place in that JSON document: \\fI/Capabilities/test.common.url\\fR is the member"
    print "\\fItest.common.url\\fR of the object \\fICapabilities\\fR."
    print "The result document is written to standard output; the log goes to standard error."
    print ".SH OPTIONS"
    printf "%s", options
    print ".SH EXIT STATUS"
    print ".TP"
    print ".B 0"
    print "A result document or the help text was written."
    print ".TP"
    print ".B 1"
    print "Otherwise."
    print ".SH NOTES"
    print "Command-line arguments can be read by every user of the machine (for example"
    print "with \\fBps\\fR(1)). Pass real credentials as the JSON line on standard input."
}
' > "$out.tmp"
mv "$out.tmp" "$out"
