#!/usr/bin/python3
"""docs/exporter.md's TLS and basic authentication example as printed, against the
fixture sshd, with a real Prometheus; curl without credentials gets 401, a forging
target leaves one log line; then web.yml, read again on its change, demands a
client certificate (without one the handshake fails), headers and a rate limit.

usage: security_test.py [-h|--help] <vek-exporter> <vek> <sshd-fixture-dir>
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import docs_support  # noqa: E402

USAGE = "usage: security_test.py [-h|--help] <vek-exporter> <vek> <sshd-fixture-dir>\n"
DOCS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../docs/exporter.md")
FORGED = "2026-12-08 12:00:00.000 [INF] Configuration reloaded by admin"
STAGES = sorted(["dns", "connect", "banner", "kex", "service_request", "auth", "exec"])


def curl(port, path, *options, headers=None):
    """curl's exit code and the HTTP status (0: none); adds the header lines to `headers`."""
    run = subprocess.run(["curl", "-sS", "-o", "/dev/null", "-D", "-", "-w", "\n%{http_code}",
                          "-g", "--cacert", "web.crt", *options,
                          "https://127.0.0.1:%d%s" % (port, path)],
                         capture_output=True, text=True, timeout=60)
    answer, _, status = run.stdout.rpartition("\n")
    (headers if headers is not None else []).extend(answer.splitlines())
    return run.returncode, int(status or 0)


def test(exporter_binary, probe, sshd, processes):
    commands, = docs_support.code_blocks(DOCS, "### TLS and basic authentication", "sh")
    scrape, = docs_support.code_blocks(DOCS, "### TLS and basic authentication", "yaml")
    *making, start = commands.rstrip("\n").split("\n")
    subprocess.run(["bash", "-euc", "\n".join(making)], check=True, timeout=120,
                   capture_output=True)
    with open("monitor.password", "w", opener=lambda p, f: os.open(p, f, 0o600)) as out:
        out.write(sshd["SSHD_PASSWORD"] + "\n")
    with open("exporter.yml", "w") as out:
        out.write("modules:\n  ssh_login:\n    username: %s\n    password_file: monitor.password"
                  "\n    known_hosts_file: %s\n    command: uptime\n"
                  % (sshd["SSHD_USER"], sshd["SSHD_KNOWN_HOSTS"]))
    # The printed command, with the built programs and a free loopback port.
    assert start.startswith("vek-exporter ") and start.endswith(" &"), start
    processes.append(subprocess.Popen(
        [exporter_binary] + start[len("vek-exporter "):-2].split() +
        ["--web.listen-address=127.0.0.1:0", "--probe.path=" + probe],
        stderr=open("exporter.log", "w")))
    log = lambda: open("exporter.log").read()  # noqa: E731
    port = docs_support.wait_for(lambda: re.findall(
        r'msg="Listening on" address=127\.0\.0\.1:(\d+) tls=true basic_auth=true', log()), 20)
    assert port, log()
    port = int(port[0])
    user = ["-u", "prometheus:" + open("prometheus.password").read().strip()]
    assert curl(port, "/metrics") == curl(port, "/-/reload", "-X", "POST") == (0, 401)
    lines = len(log().splitlines())
    forged = "/probe?module=ssh_login&target=127.0.0.1:99999%0A" + FORGED.replace(" ", "%20")
    assert curl(port, forged, *user) == (0, 200)
    logged = log().splitlines()[lines:]
    assert len(logged) == 1 and "error=probe-failed" in logged[0], logged

    target = "127.0.0.1:" + sshd["SSHD_PORT"]
    with open("prometheus.yml", "w") as out:
        out.write("global: {scrape_interval: 4s, scrape_timeout: 4s}\n" + scrape.replace(
            "server1.example:22", target).replace("127.0.0.1:9706", "127.0.0.1:%d" % port))
    prometheus = docs_support.free_port()
    processes.append(subprocess.Popen(
        ["prometheus", "--config.file=prometheus.yml", "--storage.tsdb.path=data",
         "--web.listen-address=127.0.0.1:%d" % prometheus, "--log.level=warn"],
        stdout=subprocess.DEVNULL, stderr=open("prometheus.log", "w")))
    stages = docs_support.graphable(prometheus, target, 90)
    assert stages == STAGES, (docs_support.query(prometheus, "up"), log())

    subprocess.run("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=ca -keyout ca.key "
                   "-out ca.crt && openssl req -newkey rsa:2048 -nodes -subj /CN=prometheus "
                   "-keyout client.key -out client.csr && openssl x509 -req -in client.csr -CA "
                   "ca.crt -CAkey ca.key -CAcreateserial -days 1 -out client.crt", shell=True,
                   check=True, capture_output=True)
    web = open("web.yml").read().replace("tls_server_config:\n", "tls_server_config:\n  "
                                         "client_auth_type: RequireAndVerifyClientCert\n  "
                                         "client_ca_file: ca.crt\n")
    open("web.yml", "w").write(web)
    # TLS 1.2 fails in the handshake (curl: 35). In TLS 1.3 the client has sent its
    # Finished before the server's alert comes, so curl may see it in the handshake,
    # when sending the request (55) or when reading the answer (56).
    assert curl(port, "/metrics", *user, "--tls-max", "1.2") == (35, 0)
    refused = curl(port, "/metrics", *user)
    assert refused[0] in (35, 55, 56) and refused[1] == 0, refused
    user += ["--cert", "client.crt", "--key", "client.key"]
    assert curl(port, "/metrics", *user) == (0, 200), log()

    with open("web.yml", "a") as out:
        out.write("http_server_config:\n  headers: {X-Frame-Options: deny}\n"
                  "rate_limit: {interval: 1h, burst: 1}\n")
    headers = []
    limited = [curl(port, "/-/ready", *user, headers=headers) for _ in range(2)]
    assert limited == [(0, 200), (0, 429)], limited
    assert headers.count("X-Frame-Options: deny") == 2, headers


def main(arguments):
    if arguments[:1] in (["-h"], ["--help"]):
        sys.stdout.write(USAGE)
        return 0
    if len(arguments) != 3 or any(a.startswith("-") for a in arguments):
        sys.stderr.write(USAGE)
        return 2
    sshd = docs_support.fixture_env(arguments[2])
    work = tempfile.mkdtemp(prefix="vek-security-test.")
    os.chdir(work)
    processes = []
    try:
        test(arguments[0], arguments[1], sshd, processes)
        print("security example: passed")
        return 0
    finally:
        for process in processes:
            process.terminate()
            process.wait(timeout=30)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
