#!/bin/sh
# Writes the man page check_vek.1 from the built plugin's own help text, so that
# the page and `check_vek -h` cannot drift apart.
#
#   make-plugin-manpage.sh <check_vek binary> <output file> <version>
set -eu

if [ "${1:-}" = "-h" ] || [ "${1:-}" = "--help" ]; then
    echo "usage: $0 <check_vek binary> <output file> <version>"
    exit 0
fi
if [ $# -ne 3 ]; then
    echo "usage: $0 <check_vek binary> <output file> <version>" >&2
    exit 2
fi
plugin=$1
out=$2
version=$3

# -h answers with exit code 3 (UNKNOWN), as monitoring plugins do.
status=0
help=$("$plugin" -h) || status=$?
if [ "$status" -ne 3 ] || [ -z "$help" ]; then
    echo "make-plugin-manpage.sh: '$plugin -h' failed (exit code $status)" >&2
    exit 1
fi

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
NR == 1 { next }
NR == 2 { description = $0; next }
/^[A-Z][A-Za-z ]*:$/ {
    section = substr($0, 1, length($0) - 1)
    body = body ".SH " toupper(section) "\n"
    verbatim = (section == "Usage" || section == "Output")
    if (verbatim) body = body ".nf\n"
    next
}
/^$/ {
    if (verbatim) { body = body ".fi\n.PP\n"; verbatim = 0 }
    else if (section == "") description = description "\n"
    next
}
section == "" { description = description "\n" roff($0); next }
section == "Options" && /^  -/ {
    line = $0; sub(/^ +/, "", line)
    body = body ".TP\n\\fB" opt(line) "\\fR\n"
    next
}
{
    line = $0
    if (!verbatim) sub(/^ +/, "", line)
    body = body roff(line) "\n"
}
END {
    if (verbatim) body = body ".fi\n"
    if (body == "") { print "make-plugin-manpage.sh: no help text found" > "/dev/stderr"; exit 1 }
    print ".TH CHECK_VEK 1 \"\" \"ssh-vek " version "\" \"User Commands\""
    print ".SH NAME"
    print "check_vek \\- SSH check for Nagios, Icinga and other monitoring systems, through the probe vek"
    print ".SH DESCRIPTION"
    print roff(description)
    printf "%s", body
    print ".SH EXIT STATUS"
    print "0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN."
    print ".SH SEE ALSO"
    print "\\fBvek\\fR(1)"
}
' > "$out.tmp"
mv "$out.tmp" "$out"
