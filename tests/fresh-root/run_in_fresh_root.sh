#!/usr/bin/env bash
# Proves that the README's test command works on a fresh machine: a Debian bookworm
# minbase root from the machine's own mirror (mmdebstrap), this repository's HEAD
# cloned to /root/ssh-vek in it, and `bash .ci/run` run there as root with no
# standard input. The root gets what a container runtime gives it and mmdebstrap
# does not write: itself bind-mounted as a private mount point (so that the suite's
# `unshare -m` can change the propagation of "/"), /proc, /sys, /dev, /dev/pts,
# /dev/shm, and Debian's default /etc/hosts and /etc/host.conf. Takes 30 to 60
# minutes on two cores; not part of scripts/test.
set -euo pipefail

usage() {
    printf '%s\n' \
        "usage: $0 [-h|--help] [--keep] [--dir DIR] [--log FILE]" \
        "" \
        "Runs 'bash .ci/run' for this repository's HEAD in a fresh Debian bookworm" \
        "minbase root. Needs root. Exits with the run's exit code." \
        "" \
        "  --dir DIR   where to build the root (must not exist; default: under /var/tmp)" \
        "  --keep      leave the root behind afterwards" \
        "  --log FILE  also write the run's output to FILE"
}
dir=""
keep=0
log=/dev/null
while [ $# -gt 0 ]; do
    case "$1" in
        -h | --help) usage; exit 0 ;;
        --keep) keep=1 ;;
        --dir | --log)
            [ $# -ge 2 ] || { usage >&2; exit 2; }
            if [ "$1" = --dir ]; then dir=$2; else log=$2; fi
            shift ;;
        *) usage >&2; exit 2 ;;
    esac
    shift
done

say() { printf '[fresh-root] %s\n' "$*" >&2; }

[ "$(id -u)" -eq 0 ] || { say "needs root (mmdebstrap, mounts, chroot)"; exit 1; }
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
commit=$(git -C "$repo" rev-parse HEAD)
# The machine's own Debian mirror, found as scripts/bootstrap finds it.
mirror=$( (grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}';
           grep -hs '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
               sed 's/\[[^]]*\]//' | awk '{print $2}') |
         grep -E '/debian/?$' | head -n1) || true
[ -n "$mirror" ] || { say "no Debian mirror found in the machine's apt sources"; exit 1; }
[ -n "$dir" ] || dir=$(mktemp -u /var/tmp/vek-fresh-root.XXXXXX)
[ ! -e "$dir" ] || { say "$dir exists already"; exit 1; }

mounted=()
cleanup() {
    local index
    for ((index = ${#mounted[@]} - 1; index >= 0; index--)); do
        umount "${mounted[index]}" 2>/dev/null || umount -l "${mounted[index]}" || true
    done
    if [ "$keep" -eq 0 ] && [ -d "$dir" ]; then
        if grep -qs " $dir" /proc/self/mounts; then
            say "left $dir behind: something is still mounted in it"
        else
            rm -rf "$dir"
        fi
    fi
}
trap cleanup EXIT
mount_at() {
    local target=$1
    shift
    mount "$@" "$target"
    mounted+=("$target")
}

say "building a bookworm minbase root in $dir from $mirror"
mmdebstrap --variant=minbase bookworm "$dir" "$mirror"
printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' >"$dir/etc/hosts"
printf 'multi on\n' >"$dir/etc/host.conf"
[ -s "$dir/etc/resolv.conf" ] || cp /etc/resolv.conf "$dir/etc/resolv.conf"

say "cloning $commit to /root/ssh-vek"
git clone --quiet --no-hardlinks "$repo" "$dir/root/ssh-vek"
git -C "$dir/root/ssh-vek" checkout --quiet --detach "$commit"

mount_at "$dir" --bind "$dir"
mount --make-private "$dir"
mount_at "$dir/proc" -t proc proc
mount_at "$dir/sys" -t sysfs sysfs
mount_at "$dir/dev" --bind /dev
mount_at "$dir/dev/pts" --bind /dev/pts
mount_at "$dir/dev/shm" -t tmpfs tmpfs

say "running 'bash .ci/run' in the root"
set +e
chroot "$dir" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c 'cd /root/ssh-vek && exec bash .ci/run' </dev/null 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
set -e
say "'bash .ci/run' exited with $status"
exit "$status"
