#!/usr/bin/env bash
# Checks the container image of deploy/container/build-image without a container
# engine: the OCI archive is unpacked with umoci, and its root file system runs
# commands with chroot as the image's own user, in private mount and PID
# namespaces, read-only as the manifests ask, with each container's volumes laid
# out as the kubelet does (the network is the host's: the fixture sshd listens on
# loopback).
#   1. the image: a non-root numeric user, the exporter as entrypoint, the probe
#      (with libcrypto linked in), its man page, /bin/sh and the CA bundle present,
#      the kept packages listed;
#   2. the CronJob's container command (deploy/kubernetes/cronjob.yaml) as
#      written: the probe tests a throwaway fixture sshd and writes its document;
#   3. the Deployment's init container (exporter-deployment.yaml) as written, then
#      the image's entrypoint with a configuration for the fixture: the exporter
#      answers one /probe with probe_success 1. Skipped, with a note, while the
#      package holds no exporter.
# Prints the image's size. Needs root; builds the image first unless given one.
#
#   deploy/container/test_image.sh [-b build-dir] [-i image.oci.tar]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
here="$root/deploy/container"
kubernetes="$root/deploy/kubernetes"

usage() {
    # A builtin only: -h must start no program.
    local text
    IFS= read -r -d '' text <<EOF || true
usage: deploy/container/test_image.sh [-b build-dir] [-i image.oci.tar]

  -b, --build-dir DIR   build folder that build-image uses (default: its own default)
  -i, --image FILE      test this archive instead of building one
  -h, --help            this text
EOF
    printf '%s' "$text"
}
build_args=()
image=""
while [ $# -gt 0 ]; do
    case "$1" in
        -h | --help) usage; exit 0 ;;
        -b | --build-dir) [ $# -ge 2 ] || { usage >&2; exit 2; }; build_args=(-b "$2"); shift 2 ;;
        -i | --image) [ $# -ge 2 ] || { usage >&2; exit 2; }; image=$2; shift 2 ;;
        *) echo "test_image.sh: unknown argument: $1" >&2; usage >&2; exit 2 ;;
    esac
done

fail() { echo "container image: FAILED: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "needs root (chroot, namespaces and the sshd fixture)"
for tool in umoci unshare chroot python3 ssh-keygen; do
    command -v "$tool" >/dev/null || fail "$tool not found (run scripts/bootstrap)"
done

work=$(mktemp -d /tmp/vek-image-test.XXXXXX)
state="$work/sshd"
exporter_pid=""
cleanup() {
    if [ -n "$exporter_pid" ]; then kill "$exporter_pid" 2>/dev/null || true; wait "$exporter_pid" 2>/dev/null || true; fi
    "$root/tests/fixtures/sshd_fixture.sh" stop "$state" >/dev/null 2>&1 || true
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ -z "$image" ]; then
    "$here/build-image" "${build_args[@]}" >"$work/build-image.out" ||
        fail "build-image failed"
    cat "$work/build-image.out"
    image=$(sed -n 's/^image: //p' "$work/build-image.out")
fi
[ -f "$image" ] || fail "no image archive $image"

# --- 1. the image ----------------------------------------------------------------
mkdir "$work/oci"
tar -xf "$image" -C "$work/oci"
tag=$(python3 -c 'import json, sys
manifests = json.load(open(sys.argv[1]))["manifests"]
assert len(manifests) == 1, f"{len(manifests)} images in the archive"
print(manifests[0]["annotations"]["org.opencontainers.image.ref.name"])' "$work/oci/index.json") ||
    fail "the archive's index.json"
umoci unpack --image "$work/oci:$tag" "$work/bundle" >/dev/null || fail "umoci unpack"
rootfs="$work/bundle/rootfs"
# NUL-terminated words: the user, the number of environment entries, the
# environment, then the process's words.
python3 - "$work/bundle/config.json" >"$work/process" <<'PYTHON' || fail "the image's configuration"
import json, sys
process = json.load(open(sys.argv[1]))["process"]
user = process["user"]
assert user["uid"] != 0 and user["gid"] != 0, f"runs as {user}"
assert process["args"][0] == "/usr/bin/vek-exporter", f"entrypoint {process['args']}"
words = [f"{user['uid']}:{user['gid']}", str(len(process["env"]))] + process["env"] + process["args"]
sys.stdout.write("".join(f"{word}\0" for word in words))
PYTHON
mapfile -d '' -t words <"$work/process"
user=${words[0]}
image_env=("${words[@]:2:${words[1]}}")
entrypoint=("${words[@]:$((2 + words[1]))}")
for file in usr/bin/vek bin/sh; do
    [ -x "$rootfs/$file" ] || fail "/$file is not in the image"
done
[ -f "$rootfs/usr/share/man/man1/vek.1.gz" ] || fail "the probe's man page is not in the image"
certificates=$(grep -c 'BEGIN CERTIFICATE' "$rootfs/etc/ssl/certs/ca-certificates.crt") ||
    fail "no CA bundle"
[ "$certificates" -gt 50 ] || fail "only $certificates CA certificates"
packages=$(sed -n 's/^Package: //p' "$rootfs/var/lib/dpkg/status" | paste -sd ' ')
[[ " $packages " == *" ssh-vek "* ]] || fail "ssh-vek is not among the packages: $packages"
# The image carries the probe with libcrypto and zlib linked in (build-image
# chooses so): it needs neither as a shared library, and its package names the
# exact source versions inside and asks for a rebuild after their updates.
if readelf --dynamic "$rootfs/usr/bin/vek" | grep -E -q 'NEEDED.*(libcrypto|libz)\.'; then
    fail "the image's probe links a shared libcrypto or zlib"
fi
built_using=$(awk -v RS= '/(^|\n)Package: ssh-vek\n/' "$rootfs/var/lib/dpkg/status" |
    sed -n 's/^Static-Built-Using: //p')
for development in libssl-dev zlib1g-dev; do
    source=$(dpkg-query -W -f='${source:Package} (= ${source:Version})' "$development")
    [[ ", $built_using," == *", $source,"* ]] || fail "Static-Built-Using lacks $source: $built_using"
done
[[ "$built_using" == "libssh2 (= "* ]] || fail "Static-Built-Using lacks libssh2: $built_using"
grep -q "rebuild and reinstall" "$rootfs/var/lib/dpkg/status" ||
    fail "the package's description does not ask for a rebuild after updates"
echo "container image: $(basename "$image") runs as $user, entrypoint ${entrypoint[*]}"
echo "container image: packages: $packages"

gid=${user##*:}

# The pod's volumes as the kubelet lays them out for a pod with fsGroup $gid, under
# $work/volumes/<pod>-<volume>: a Secret's files root's, group $gid, mode 0440, as
# links through ..data; an emptyDir group $gid, mode 2777. A ConfigMap's folder is
# filled by the caller.
secret_volume() { # <folder> <file>...: the files' contents are read from the paths
    local folder=$1 file
    shift
    mkdir -p "$folder/..2025_01_01_00_00_00.000000000"
    for file in "$@"; do
        cp "$file" "$folder/..2025_01_01_00_00_00.000000000/"
        ln -s "..data/$(basename "$file")" "$folder/$(basename "$file")"
    done
    ln -s ..2025_01_01_00_00_00.000000000 "$folder/..data"
    chgrp -R "$gid" "$folder"
    chmod 0440 "$folder"/..2025*/*
}
# binds_for <pod> <mount>...: one line <folder>:<mount path>:<ro|rw> per mount
# (manifest_container's form), emptyDirs made on the way, mount points made in the
# image's root file system.
binds_for() {
    local pod=$1 mount kind name path mode folder
    shift
    for mount in "$@"; do
        IFS=: read -r kind name path mode <<<"$mount"
        folder="$work/volumes/$pod-$name"
        if [ "$kind" = emptyDir ] && [ ! -d "$folder" ]; then
            mkdir -p "$folder"
            chgrp "$gid" "$folder"
            chmod 2777 "$folder"
        fi
        [ -d "$folder" ] || fail "$pod: nothing laid out for the volume $name"
        mkdir -p "$rootfs$path"
        echo "$folder:$path:$mode"
    done
}

# image_command <binds> <command>...: sets image_argv to the command line that runs
# a command in the image as its user with its environment, bounded in time, with
# the image's root read-only (readOnlyRootFilesystem) and the binds. A signal to
# the first process (timeout) reaches the command: timeout passes it on, and the
# command's namespace dies with unshare.
chroot=$(command -v chroot)
image_command() {
    local binds=$1
    shift
    # shellcheck disable=SC2016  # expanded by the inner shell
    image_argv=(timeout -k 5 60 env -i "${image_env[@]}" IMAGE_BINDS="$binds" unshare --mount
        --pid --fork --kill-child --mount-proc="$rootfs/proc" /bin/sh -ec '
        root=$1 user=$2 chroot=$3
        shift 3
        mount --rbind "$root" "$root"
        mount --bind /dev "$root/dev"
        printf "%s\n" "$IMAGE_BINDS" | while IFS=: read -r source target mode; do
            [ -n "$source" ] || continue
            mount --bind "$source" "$root$target"
            [ "$mode" = rw ] || mount -o remount,bind,ro "$root$target"
        done
        mount -o remount,bind,ro "$root"
        unset IMAGE_BINDS
        exec "$chroot" --userspec="$user" "$root" "$@"' in_image "$rootfs" "$user" "$chroot" "$@")
}
# in_image <binds> <command>...: runs image_command's command line and waits for it.
in_image() {
    image_command "$@"
    "${image_argv[@]}"
}
# shellcheck disable=SC2016  # expanded by the image's shell
status=$(in_image "" /bin/sh -c 'while read -r key value _; do
                                     case $key in Uid:|Gid:|Groups:) echo "$key $value";; esac
                                 done < /proc/self/status
                                 echo "vek: $(command -v vek)"') || fail "/bin/sh does not run in the image"
if ! grep -qx "Uid: ${user%%:*}" <<<"$status" || ! grep -qx "Gid: $gid" <<<"$status" ||
        ! grep -qxE "Groups:( $gid)?" <<<"$status"; then
    fail "the image's processes run as: $status"
fi
grep -qx "vek: /usr/bin/vek" <<<"$status" || fail "vek is not on the image's PATH: $status"
in_image "" vek -h >/dev/null || fail "vek -h in the image"

# --- 2. the CronJob's container -------------------------------------------------
"$root/tests/fixtures/sshd_fixture.sh" start "$state" >/dev/null
fixture_value() { sed -n "s/^$1=//p" "$state/fixture.env"; }
container() { "$here/manifest_container" "$@" || fail "$1: cannot read $2 $3"; }

cronjob="$kubernetes/cronjob.yaml"
mapfile -d '' -t command < <(container "$cronjob" CronJob containers words)
mapfile -d '' -t mounts < <(container "$cronjob" CronJob containers mounts)
python3 - "$state/fixture.env" >"$work/input.json" <<'PYTHON'
import base64, json, sys
env = dict(line.strip().split("=", 1) for line in open(sys.argv[1]) if "=" in line)
print(json.dumps({"Capabilities": {
    "test.common.use-ipv6": False,
    "test.common.url": f"127.0.0.1:{env['SSHD_PORT']}",
    "common.test.test-id": "image",
    "common.test.max-step-time": 10,
    "common.test.auth-username": env["SSHD_USER"],
    "common.test.auth-password": env["SSHD_PASSWORD"],
    "common.test.send-data-bytes": base64.b64encode(b"echo from the image").decode(),
    "common.test.max-downloads-bytes": "100000",
    "common.test.flag.ignore-file-size-limits": False},
    "Settings": {"DataDirectory": "/tmp/", "MaxCommandLength": 1000, "DebugModeOn": False}}))
PYTHON
for mount in "${mounts[@]}"; do
    [[ $mount == secret:* ]] && { IFS=: read -r _ name _ <<<"$mount"; secret_volume "$work/volumes/cronjob-$name" "$work/input.json"; }
done
binds=$(binds_for cronjob "${mounts[@]}")
code=0
in_image "$binds" "${command[@]}" >"$work/document" 2>"$work/probe.log" || code=$?
[ "$code" -eq 0 ] || { cat "$work/probe.log" >&2; fail "the CronJob's command exited with $code"; }
python3 - "$work/document" <<'PYTHON' || fail "unexpected document: $(head -c 400 "$work/document")"
import json, sys
data = open(sys.argv[1]).read()
assert data.endswith("}\n"), "the document does not end with a line feed"
step = json.loads(data)["MonitorResults"][0]["StepResults"][0]
assert not step["OtherData"], step["OtherData"]
output = step["Metrics"][0]["MetricData"]["qo-ssh.results.metrics.command-execution.result"]
assert output == "from the image\n", output
PYTHON
echo "container image: the CronJob's command tested the fixture sshd as uid ${user%%:*}"

# --- 3. the exporter -----------------------------------------------------------
if [ ! -x "$rootfs/usr/bin/vek-exporter" ]; then
    echo "container image: the package holds no /usr/bin/vek-exporter" >&2
    exit 1
else
    deployment="$kubernetes/exporter-deployment.yaml"
    mapfile -d '' -t init < <(container "$deployment" Deployment initContainers words)
    mapfile -d '' -t init_mounts < <(container "$deployment" Deployment initContainers mounts)
    mapfile -d '' -t args < <(container "$deployment" Deployment containers words)
    mapfile -d '' -t mounts < <(container "$deployment" Deployment containers mounts)
    fixture_value SSHD_PASSWORD | tr -d '\n' >"$work/password"
    for mount in "${init_mounts[@]}"; do
        [[ $mount == secret:* ]] && { IFS=: read -r _ name _ <<<"$mount"; secret_volume "$work/volumes/exporter-$name" "$work/password"; }
    done
    binds=$(binds_for exporter "${init_mounts[@]}")
    in_image "$binds" "${init[@]}" 2>"$work/init.log" ||
        { cat "$work/init.log" >&2; fail "the Deployment's init container failed"; }

    # The exporter with the Deployment's arguments, but on a free loopback port,
    # and a configuration of its own for the fixture in the ConfigMap's place.
    config=$(printf '%s\n' "${args[@]}" | sed -n 's/^--config\.file=//p')
    credentials=""
    for mount in "${mounts[@]}"; do
        IFS=: read -r kind name path mode <<<"$mount"
        if [ "$kind" = configMap ] && [ "$path" = "$(dirname "$config")" ]; then
            mkdir -p "$work/volumes/exporter-$name"
            config_file="$work/volumes/exporter-$name/$(basename "$config")"
        elif [ "$kind" = emptyDir ] && [ -f "$work/volumes/exporter-$name/password" ]; then
            credentials=$path
            copy="$work/volumes/exporter-$name/password"
        fi
    done
    [ -n "${config_file:-}" ] || fail "--config.file=$config is not in a ConfigMap of the Deployment"
    [ -n "$credentials" ] || fail "the init container copied the password to no folder of the exporter"
    [ "$(stat -c '%u %a' "$copy")" = "${user%%:*} 600" ] ||
        fail "the init container's copy: $(stat -c '%u %a' "$copy")"
    [ "$(cat "$copy")" = "$(cat "$work/password")" ] || fail "the init container's copy differs"
    fingerprint=$(ssh-keygen -lf "$state/ssh_host_ed25519_key.pub" | awk '{print $2}')
    cat >"$config_file" <<EOF
modules:
  ssh_password:
    username: $(fixture_value SSHD_USER)
    password_file: $credentials/password
    host_key_fingerprints: ["$fingerprint"]
    command: "echo from the exporter"
    max_output_bytes: 65536
    ipv6: false
    timeout: 10s
EOF
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    exporter=("${entrypoint[0]}")
    for arg in "${args[@]}"; do
        [[ $arg == --web.listen-address=* ]] && arg="--web.listen-address=127.0.0.1:$port"
        exporter+=("$arg")
    done
    binds=$(binds_for exporter "${mounts[@]}")
    # Started as a simple command, not through the function, so $! is timeout
    # itself rather than a subshell that a kill would leave it running behind.
    image_command "$binds" "${exporter[@]}"
    "${image_argv[@]}" >"$work/exporter.log" 2>&1 &
    exporter_pid=$!
    python3 - "$port" "$(fixture_value SSHD_PORT)" >"$work/probe.txt" <<'PYTHON' ||
import sys, time, urllib.error, urllib.request
port, sshd_port = sys.argv[1:]
base = f"http://127.0.0.1:{port}"
deadline = time.monotonic() + 20
while True:
    try:
        urllib.request.urlopen(base + "/", timeout=2).read()
        break
    except OSError:
        if time.monotonic() > deadline:
            sys.exit("the exporter did not answer GET / within 20 s")
        time.sleep(0.1)
request = urllib.request.Request(
    f"{base}/probe?target=127.0.0.1:{sshd_port}&module=ssh_password",
    headers={"X-Prometheus-Scrape-Timeout-Seconds": "15"})
text = urllib.request.urlopen(request, timeout=30).read().decode()
print(text)
lines = text.splitlines()
assert "probe_success 1" in lines, "no probe_success 1"
assert any(l.startswith("probe_ssh_host_key_info{") for l in lines), "no host key"
PYTHON
        { cat "$work/exporter.log" "$work/probe.txt" >&2; fail "the exporter in the image"; }
    kill "$exporter_pid" 2>/dev/null || true
    wait "$exporter_pid" 2>/dev/null || true
    exporter_pid=""
    echo "container image: the Deployment's init container and exporter answered /probe" \
         "with probe_success 1 as uid ${user%%:*}"
fi

size=$(stat -c %s "$image")
unpacked=$(du -sb --exclude=proc --exclude=dev "$rootfs" | cut -f1)
awk -v a="$size" -v u="$unpacked" \
    'BEGIN { printf "container image: size %.1f MiB (archive), %.1f MiB unpacked\n", a / 1048576, u / 1048576 }'
echo "container image: passed"
