#!/usr/bin/env bash
# prepare-libssh2.sh <downloads> <project-root> <source-dir>
#
# Lays out the libssh2 source exactly as scripts/bootstrap builds it (upstream
# tarball, Debian's patches, our handshake event hooks, flood limits and leak
# fixes) for the fuzz build's own instrumented copy. Works offline from the
# downloads bootstrap cached.
set -euo pipefail

usage() {
    printf '%s\n' \
        "usage: $0 [-h|--help] <downloads> <project-root> <source-dir>" \
        "" \
        "Lays out the patched libssh2 source in <source-dir> for the fuzz build's" \
        "instrumented copy, from the downloads scripts/bootstrap cached."
}
for argument in "$@"; do
    case "$argument" in
        -h | --help) usage; exit 0 ;;
        -*) usage >&2; exit 2 ;;
    esac
done
[ $# -eq 3 ] || { usage >&2; exit 2; }

downloads=$1
root=$2
src=$3

orig="$downloads/libssh2_1.11.1.orig.tar.gz"
debian_tar=$(ls "$downloads"/libssh2_1.11.1-*.debian.tar.xz 2>/dev/null | sort -V | tail -n1)
if [ ! -f "$orig" ] || [ -z "$debian_tar" ]; then
    echo "libssh2 source not found in $downloads; run scripts/bootstrap first" >&2
    exit 1
fi
(cd "$downloads" && sha256sum --quiet -c "$root/third_party/libssh2/libssh2_1.11.1.orig.tar.gz.sha256")

work=$(mktemp -d "${src%/}.XXXXXX")
trap 'rm -rf "$work"' EXIT
tar -xzf "$orig" -C "$work"
tar -xJf "$debian_tar" -C "$work"
tree="$work/libssh2-1.11.1"
grep -vE '^\s*(#|$)' "$work/debian/patches/series" | while read -r p _; do
    patch -d "$tree" -p1 -s --forward < "$work/debian/patches/$p"
done
cp "$root/src/ssh/event_handlers.c" "$root/src/ssh/event_handlers.h" "$tree/src/"
for p in handshake-event-hooks.patch flood-limits.patch leak-fixes.patch; do
    patch -d "$tree" -p1 -s --forward < "$root/third_party/libssh2/$p"
done

rm -rf "$src"
mv "$tree" "$src"
