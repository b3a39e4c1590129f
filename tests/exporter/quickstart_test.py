#!/usr/bin/python3
"""docs/exporter.md's quick start, which the README repeats, run as written: its
two files and its ssh-keyscan line with the fixture's user and address in place of
the example's, its command lines by bash in the source folder, the password on standard input; until
Prometheus' API holds every SSH stage of the target and a successful probe. The
lines take fixed ports, /tmp and the folder `build`, so they run in private
namespaces: network (loopback only), PID (what they start ends with the test) and
mount (the source folder an overlay whose writes are dropped, /tmp a fresh tmpfs),
with a throwaway sshd of their own. Needs root.

usage: quickstart_test.py [-h|--help] <source-dir>
"""
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import docs_support  # noqa: E402

USAGE = "usage: quickstart_test.py [-h|--help] <source-dir>\n"


def inside(source):
    """In the namespaces: the quick start against a fixture sshd of its own."""
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    # The overlay's own folders on the fresh tmpfs: an upper folder on overlayfs
    # (a container's /tmp) would be refused.
    subprocess.run(["mount", "-t", "tmpfs", "tmpfs", "/tmp"], check=True)
    os.makedirs("/tmp/overlay/upper")
    os.makedirs("/tmp/overlay/work")
    subprocess.run(["mount", "-t", "overlay", "overlay", "-o",
                    "lowerdir=%s,upperdir=/tmp/overlay/upper,workdir=/tmp/overlay/work" % source,
                    source], check=True)
    fixture = source + "/tests/fixtures/sshd_fixture.sh"
    subprocess.run([fixture, "start", "/tmp/sshd"], check=True, stdout=subprocess.DEVNULL)
    try:
        sshd = docs_support.fixture_env("/tmp/sshd")
        docs = source + "/docs/exporter.md"
        heading = "## From nothing to a graph"
        exporter_yml, prometheus_yml = docs_support.code_blocks(docs, heading, "yaml")
        commands, = docs_support.code_blocks(docs, heading, "sh")
        readme, = docs_support.code_blocks(source + "/README.md", "## Prometheus", "sh")
        assert readme == commands, "the README's quick start differs from docs/exporter.md's"
        target = "127.0.0.1:" + sshd["SSHD_PORT"]
        with open(source + "/exporter.yml", "w") as out:
            out.write(exporter_yml.replace("username: monitor", "username: " + sshd["SSHD_USER"]))
        with open(source + "/prometheus.yml", "w") as out:
            out.write(re.sub(r"targets: \[[^]]*\]", "targets: ['%s']" % target, prometheus_yml))
        keyscan = "ssh-keyscan -H server1.example server2.example"
        assert keyscan in commands, "the quick start no longer records host keys"
        commands = commands.replace(keyscan, "ssh-keyscan -H -p %s 127.0.0.1" % sshd["SSHD_PORT"])
        with open("/tmp/quickstart.log", "w") as log:
            ran = subprocess.run(["bash", "-euc", commands], cwd=source, stdout=log, stderr=log,
                                 input=sshd["SSHD_PASSWORD"] + "\n", text=True, timeout=900)
        stages = ran.returncode == 0 and docs_support.graphable(19090, target, 120)
        if not stages:
            print(open("/tmp/quickstart.log").read()[-5000:])
            print("quick start: FAILED: no graph of %s within 120 s" % target)
            return 1
        print("quick start: Prometheus graphs the stages %s of %s" % (" ".join(stages), target))
        return 0
    finally:
        subprocess.run([fixture, "stop", "/tmp/sshd"], stdout=subprocess.DEVNULL)


def main(arguments):
    if arguments[:1] in (["-h"], ["--help"]):
        sys.stdout.write(USAGE)
        return 0
    if len(arguments) not in (1, 2) or arguments[0].startswith("-") or \
            arguments[1:] not in ([], ["--inside"]):
        sys.stderr.write(USAGE)
        return 2
    source = os.path.realpath(arguments[0])
    if arguments[1:] == ["--inside"]:
        return inside(source)
    return subprocess.run(["unshare", "--mount", "--net", "--pid", "--fork", "--mount-proc",
                           sys.executable, os.path.abspath(__file__), source, "--inside"],
                          timeout=1200).returncode


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
