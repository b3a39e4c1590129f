"""Shared by the tests that run the exporter's documentation as written."""
import json
import re
import socket
import time
import urllib.parse
import urllib.request


def code_blocks(path, heading, language):
    """The ```<language> blocks of the section under the line `heading`."""
    text = open(path, encoding="utf-8").read()
    start = text.index("\n" + heading + "\n") + len(heading) + 2
    found = re.compile(r"^#{1,%d} " % heading.index(" "), re.M).search(text, start)
    section = text[start:found.start() if found else len(text)]
    return re.findall(r"^```%s\n(.*?)^```$" % language, section, re.M | re.S)


def fixture_env(folder):
    lines = open(folder + "/fixture.env", encoding="utf-8").read().splitlines()
    return dict(line.partition("=")[::2] for line in lines)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def query(port, expression):
    url = "http://127.0.0.1:%d/api/v1/query?%s" % (port, urllib.parse.urlencode(
        {"query": expression}))
    try:
        with urllib.request.urlopen(url, timeout=10) as answer:
            return json.load(answer)["data"]["result"]
    except OSError:
        return []


def wait_for(check, seconds):
    """`check`'s first true answer within `seconds` (monotonic), else its last."""
    deadline = time.monotonic() + seconds
    while not (answer := check()) and time.monotonic() < deadline:
        time.sleep(0.5)
    return answer


def graphable(port, instance, seconds):
    """The seven stages of `instance` once Prometheus holds them and a success."""
    def stages():
        found = query(port, 'probe_ssh_stage_duration_seconds{instance="%s"}' % instance)
        success = query(port, 'probe_success{instance="%s"}' % instance)
        ok = len(found) == 7 and success and success[0]["value"][1] == "1"
        return sorted(series["metric"]["stage"] for series in found) if ok else None
    return wait_for(stages, seconds)
