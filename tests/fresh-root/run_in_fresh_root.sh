#!/usr/bin/env bash
# Proves that the README's test command works on a fresh machine: builds a Debian
# bookworm minbase root with mmdebstrap from the machine's own Debian mirror, clones
# this repository's checked-out commit to /root/ssh-vek in it, and runs `bash .ci/run`
# there with no standard input, as root, the way a container runtime would start it.
#
# The root gets what a container runtime gives it and mmdebstrap does not write: the
# root folder bind-mounted onto itself (so that the suite's `unshare -m` can change
# the propagation of "/"), /proc, /sys, /dev, /dev/pts and /dev/shm, and Debian's default
# /etc/hosts and /etc/host.conf. Everything is unmounted again on the way out.
# Takes 30 to 60 minutes on two cores; not part of scripts/test.
set -euo pipefail

usage() {
    printf '%s\n' \
        "usage: $0 [-h|--help] [--keep] [--dir DIR] [--log FILE]" \
        "" \
        "Builds a fresh Debian bookworm minbase root (mmdebstrap, the machine's Debian" \
        "mirror), clones this repository's HEAD to /root/ssh-vek in it and runs" \
        "'bash .ci/run' there with no standard input. Needs root. Exits with the run's" \
        "exit code." \
        "" \
        "  --dir DIR   where to build the root (must not exist; default: a new folder" \
        "              under /var/tmp)" \
        "  --keep      leave the root behind afterwards (default: remove it)" \
        "  --log FILE  also write the run's output to FILE"
}
dir=""
keep=0
log=""
while [ $# -gt 0 ]; do
    case "$1" in
        -h | --help) usage; exit 0 ;;
        --keep) keep=1 ;;
        --dir) [ $# -ge 2 ] || { usage >&2; exit 2; }; dir=$2; shift ;;
        --log) [ $# -ge 2 ] || { usage >&2; exit 2; }; log=$2; shift ;;
        *) usage >&2; exit 2 ;;
    esac
    shift
done

say() { printf '[fresh-root] %s\n' "$*" >&2; }

if [ "$(id -u)" -ne 0 ]; then
    say "needs root (mmdebstrap, mounts, chroot)"
    exit 1
fi
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
commit=$(git -C "$repo" rev-parse HEAD)

# The machine's own Debian mirror, found as scripts/bootstrap finds it.
mirror=$( (grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}';
           grep -hs '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
               sed 's/\[[^]]*\]//' | awk '{print $2}') |
         grep -E '/debian/?$' | head -n1) || true
if [ -z "$mirror" ]; then
    say "no Debian mirror found in the machine's apt sources"
    exit 1
fi

if [ -z "$dir" ]; then
    dir=$(mktemp -d /var/tmp/vek-fresh-root.XXXXXX)
    rmdir "$dir"
fi
if [ -e "$dir" ]; then
    say "$dir exists already"
    exit 1
fi

mounted=()
cleanup() {
    local index
    for ((index = ${#mounted[@]} - 1; index >= 0; index--)); do
        umount "${mounted[index]}" 2>/dev/null || umount -l "${mounted[index]}" || true
    done
    if [ "$keep" -eq 0 ] && [ -d "$dir" ]; then
        # Only once nothing is mounted below it any more.
        if ! grep -qs " $dir" /proc/self/mounts; then
            rm -rf "$dir"
        else
            say "left $dir behind: something is still mounted in it"
        fi
    fi
}
trap cleanup EXIT

say "building a bookworm minbase root in $dir from $mirror"
mmdebstrap --variant=minbase bookworm "$dir" "$mirror"

# Debian's defaults, which mmdebstrap does not write.
printf '%s\n' "127.0.0.1	localhost" "::1		localhost ip6-localhost ip6-loopback" \
    "ff02::1		ip6-allnodes" "ff02::2		ip6-allrouters" >"$dir/etc/hosts"
printf 'multi on\n' >"$dir/etc/host.conf"
[ -s "$dir/etc/resolv.conf" ] || cp /etc/resolv.conf "$dir/etc/resolv.conf"

say "cloning $commit to /root/ssh-vek"
git clone --quiet --no-hardlinks "$repo" "$dir/root/ssh-vek"
git -C "$dir/root/ssh-vek" checkout --quiet --detach "$commit"

mount_at() {
    local target=$1
    shift
    mount "$@" "$target"
    mounted+=("$target")
}
# A mount point of its own, private, as a container's root is.
mount_at "$dir" --bind "$dir"
mount --make-private "$dir"
mount_at "$dir/proc" -t proc proc
mount_at "$dir/sys" -t sysfs sysfs
mount_at "$dir/dev" --bind /dev
mount_at "$dir/dev/pts" --bind /dev/pts
mount_at "$dir/dev/shm" -t tmpfs tmpfs

say "running 'bash .ci/run' in the root"
run() {
    chroot "$dir" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -c 'cd /root/ssh-vek && exec bash .ci/run' </dev/null
}
set +e
if [ -n "$log" ]; then
    run 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
else
    run
    status=$?
fi
set -e
say "'bash .ci/run' exited with $status"
exit "$status"
