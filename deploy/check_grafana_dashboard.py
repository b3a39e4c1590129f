#!/usr/bin/python3
"""Checks the Grafana dashboard deploy/grafana/vek-exporter.json (deploy/test_examples.sh
runs this): it is JSON, it has the four panels (success per target, stacked stage
durations, host key changes, server versions as a table), and the PromQL of every
panel and template variable parses: with Grafana's variables put in, each query
becomes a recording rule and `promtool check rules` (Debian's prometheus package)
parses them all.

usage: check_grafana_dashboard.py [-h|--help] [dashboard.json]
-h/--help prints this usage; an unknown option is refused with exit 2.
"""
import json
import os
import re
import subprocess
import sys
import tempfile

USAGE = "usage: check_grafana_dashboard.py [-h|--help] [dashboard.json]\n"
# Values Grafana puts in for its variables: matchers take a regular expression, the
# built-in ranges a duration.
VARIABLES = {"$job": ".+", "$instance": ".+", "$__range": "6h", "$__rate_interval": "1m",
             "$__interval": "15s"}


def queries(dashboard):
    for panel in dashboard["panels"]:
        for target in panel.get("targets", []):
            yield panel["title"], target["expr"]
    for variable in dashboard["templating"]["list"]:
        found = re.fullmatch(r"label_values\((.*), *\w+\)", variable.get("definition", ""))
        if found:
            yield "variable " + variable["name"], found.group(1)


def main(arguments):
    if arguments and arguments[0] in ("-h", "--help"):
        sys.stdout.write(USAGE)
        return 0
    if len(arguments) > 1 or (arguments and arguments[0].startswith("-")):
        sys.stderr.write(USAGE)
        return 2
    here = os.path.dirname(os.path.abspath(__file__))
    path = arguments[0] if arguments else os.path.join(here, "grafana", "vek-exporter.json")
    dashboard = json.load(open(path, encoding="utf-8"))
    panels = {panel["title"]: panel for panel in dashboard["panels"]}
    problems = []
    expected = {"Success per target": "probe_success", "SSH stage durations":
                "probe_ssh_stage_duration_seconds", "Host key changes": "probe_ssh_host_key_info",
                "Server versions": "probe_ssh_server_info"}
    for title, metric in expected.items():
        if title not in panels or metric not in json.dumps(panels[title].get("targets")):
            problems.append(f"no panel \"{title}\" on {metric}")
    stages = panels.get("SSH stage durations", {})
    if stages.get("fieldConfig", {}).get("defaults", {}).get("custom", {}).get(
            "stacking", {}).get("mode") != "normal":
        problems.append("the stage durations are not stacked")
    if panels.get("Server versions", {}).get("type") != "table":
        problems.append("the server versions are not a table")
    rules = {"groups": [{"name": "dashboard", "rules": []}]}
    for number, (where, query) in enumerate(queries(dashboard)):
        for name, value in VARIABLES.items():
            query = query.replace(name, value)
        rules["groups"][0]["rules"].append({"record": f"dashboard:query{number}", "expr": query})
        print(f"{where}: {query}")
    with tempfile.NamedTemporaryFile("w", suffix=".yml", delete=False) as out:
        json.dump(rules, out)  # JSON is YAML
    try:
        checked = subprocess.run(["promtool", "check", "rules", out.name], capture_output=True,
                                 text=True)
    finally:
        os.unlink(out.name)
    if checked.returncode != 0:
        problems.append("promtool check rules: " + checked.stdout + checked.stderr)
    for problem in problems:
        print("grafana dashboard: " + problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
