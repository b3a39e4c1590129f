#!/usr/bin/python3
"""Structure checks of the exporter's Kubernetes examples and of the Prometheus
scrape example (deploy/test_examples.sh runs this; `promtool check config` runs
there too):
  - every container of the Deployment and the CronJob runs the image that
    deploy/container/build-image makes, as its non-root user;
  - the Deployment's selector, the Service's selector and ports match the pod and
    the exporter's listening port;
  - no credential in a container's arguments or environment: the ConfigMap's
    modules name credential files only, and each lies in a read-only folder filled
    from the Secret (mounted directly, or copied by an init container);
  - every module names the host keys it trusts (SHA256 pins, or a known_hosts file
    of the ConfigMap), none is "insecure", and every scrape target of a module
    passes its allowed_targets;
  - the scrape example is blackbox-style: the target becomes the `target`
    parameter, the scrape goes to the exporter's Service, its modules exist and
    its timeout leaves the modules' timeouts room.
  - the sharded form (exporter-shards.yaml): the StatefulSet's pods pass the
    checks above; its Prometheus template relabels as deploy/sharding's
    prometheus-shard.yml does, with `modulus` equal to the replicas; and its
    init container, run with /bin/sh for every ordinal, writes the configuration
    the pod's Prometheus reads, keeping exactly that ordinal (`promtool check
    config` checks each, where promtool is at hand).

usage: check_exporter_manifests.py <repository root>
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

import yaml

if sys.argv[1:] in (["-h"], ["--help"]):
    print(__doc__.strip())
    sys.exit(0)
if len(sys.argv) != 2 or sys.argv[1].startswith("-"):
    print(__doc__.strip().splitlines()[-1], file=sys.stderr)
    sys.exit(2)
root = sys.argv[1]
kubernetes = os.path.join(root, "deploy/kubernetes")


def load(name, kind):
    documents = [d for d in yaml.safe_load_all(open(os.path.join(kubernetes, name))) if d]
    matching = [d for d in documents if d.get("kind") == kind]
    assert len(matching) == 1, f"{name}: expected one {kind}"
    return matching[0]


def shell_value(name):
    text = open(os.path.join(root, "deploy/container/build-image")).read()
    return re.search(rf"^{name}=(\S+)$", text, re.M).group(1)


version = re.search(r"project\(\S+ VERSION (\S+)", open(os.path.join(root, "CMakeLists.txt")).read())[1]
image = f"{shell_value('image_name')}:{version}"
uid = int(shell_value("image_uid"))
port = int(shell_value("exporter_port"))

deployment = load("exporter-deployment.yaml", "Deployment")
service = load("exporter-service.yaml", "Service")
configmap = load("exporter-config.yaml", "ConfigMap")
secret = load("exporter-secret.yaml", "Secret")
cronjob = load("cronjob.yaml", "CronJob")
shards = load("exporter-shards.yaml", "StatefulSet")
shards_service = load("exporter-shards.yaml", "Service")
shards_config = load("exporter-shards.yaml", "ConfigMap")
assert deployment["apiVersion"] == "apps/v1" and service["apiVersion"] == "v1"

pod = deployment["spec"]["template"]["spec"]
cron_pod = cronjob["spec"]["jobTemplate"]["spec"]["template"]["spec"]
shard_pod = shards["spec"]["template"]["spec"]
prometheus_image = re.compile(r"(quay\.io/prometheus|prom)/prometheus:v\d+\.\d+\.\d+")
secret_values = {str(v).strip() for v in secret.get("stringData", {}).values()}
secret_keys = set(secret.get("stringData", {})) | set(secret.get("data", {}))

# --- image and user -----------------------------------------------------------
for name, pod_template in (("Deployment", pod), ("CronJob", cron_pod), ("StatefulSet", shard_pod)):
    context = pod_template.get("securityContext", {})
    assert context.get("runAsNonRoot") is True and context.get("runAsUser") == uid, \
        f"{name}: not run as the image's user {uid}: {context}"
    for container in pod_template.get("initContainers", []) + pod_template["containers"]:
        if name == "StatefulSet" and container["name"] == "prometheus":
            assert prometheus_image.fullmatch(container["image"]), f"prometheus: image {container['image']}"
        else:
            assert container["image"] == image, \
                f"{name}/{container['name']}: image {container['image']}, not {image}"
        security = container.get("securityContext", {})
        assert security.get("allowPrivilegeEscalation") is False, f"{container['name']}: privilege escalation"
        assert not security.get("privileged"), f"{container['name']}: privileged"

# --- selectors and ports --------------------------------------------------------
for workload, its_service in ((deployment, service), (shards, shards_service)):
    labels = workload["spec"]["template"]["metadata"]["labels"]
    for selector in (workload["spec"]["selector"]["matchLabels"], its_service["spec"]["selector"]):
        assert selector.items() <= labels.items(), f"selector {selector} does not match the pod {labels}"
assert shards["spec"]["serviceName"] == shards_service["metadata"]["name"] and \
    shards_service["spec"].get("clusterIP") == "None", "the StatefulSet's Service is not its headless one"
exporter, = [c for c in pod["containers"] if c["image"] == image]
container_ports = {p.get("name", p["containerPort"]): p["containerPort"] for p in exporter["ports"]}
service_port, = service["spec"]["ports"]
target = service_port["targetPort"]
assert container_ports.get(target, target) == port and service_port["port"] == port, \
    f"the Service does not reach the exporter's port {port}"

# --- credentials as files ---------------------------------------------------------


def check_exporter_pod(pod, exporter):
    """The exporter listens on its port, credentials reach it as files only, and its
    configuration file is one of the ConfigMap's; returns its modules."""
    args = exporter.get("command", []) + exporter.get("args", [])
    assert any(re.fullmatch(rf"--web\.listen-address=\S*:{port}", a) for a in args), \
        f"the exporter does not listen on port {port}: {args}"
    volumes = {v["name"]: v for v in pod["volumes"]}
    for container in pod.get("initContainers", []) + pod["containers"]:
        # Only the pod's own facts (the downward API) may enter an environment.
        assert not container.get("envFrom") and all(
            set(e) == {"name", "valueFrom"} and set(e["valueFrom"]) == {"fieldRef"}
            for e in container.get("env", [])), \
            f"{container['name']}: the environment must stay free of credentials"
        text = " ".join(container.get("command", []) + container.get("args", []))
        leaked = [v for v in secret_values if v and v in text]
        assert not leaked and not re.search(r"(?i)passw|(^|\s)-p(\s|$)", text), \
            f"{container['name']}: a credential in the arguments: {text}"
        for mount in container.get("volumeMounts", []):
            if "secret" in volumes.get(mount["name"], {}):  # not a claim template
                assert mount.get("readOnly"), f"{container['name']}: the Secret is mounted writable"
                assert volumes[mount["name"]]["secret"]["secretName"] == secret["metadata"]["name"]

    def credential_folders():
        """Folders of the exporter that hold the Secret's files: the Secret's own mount,
        or an emptyDir that an init container mounts beside the Secret."""
        filled = {m["name"] for c in pod.get("initContainers", [])
                  if any("secret" in volumes[n["name"]] for n in c["volumeMounts"])
                  for m in c["volumeMounts"] if "emptyDir" in volumes[m["name"]]}
        for mount in exporter["volumeMounts"]:
            volume = volumes[mount["name"]]
            if "secret" in volume or mount["name"] in filled:
                assert mount.get("readOnly"), f"{mount['mountPath']} is mounted writable"
                yield mount["mountPath"].rstrip("/")

    folders = list(credential_folders())
    config_path, = [a.split("=", 1)[1] for a in args if a.startswith("--config.file=")]
    config_mounts = [m for m in exporter["volumeMounts"]
                     if volumes[m["name"]].get("configMap", {}).get("name") == configmap["metadata"]["name"]]
    assert any(config_path == m["mountPath"].rstrip("/") + "/" + key
               for m in config_mounts for key in configmap["data"]), \
        f"--config.file={config_path} is no file of the mounted ConfigMap"
    modules = yaml.safe_load(configmap["data"][os.path.basename(config_path)])["modules"]
    assert modules, "no module"
    for name, module in modules.items():
        assert "password" not in module, f"module {name}: a password in the ConfigMap"
        logins = [k for k in ("password_file", "private_key_file") if k in module]
        assert len(logins) == 1, f"module {name}: exactly one of password_file, private_key_file"
        for key in ("password_file", "private_key_file", "passphrase_file"):
            if key in module:
                folder, file = os.path.split(module[key])
                assert folder in folders and file in secret_keys, \
                    f"module {name}: {key} {module[key]} is not a file of the Secret"
        assert isinstance(module["username"], str) and module["username"]
        # Credentials go only to servers whose keys the module names: pinned, or
        # listed in a known_hosts file of the ConfigMap; never "insecure".
        known_hosts = module.get("known_hosts_file", "")
        assert all(f.startswith("SHA256:") for f in module.get("host_key_fingerprints", [])) and (
            module.get("host_key_fingerprints") or any(
                known_hosts == m["mountPath"].rstrip("/") + "/" + key
                for m in config_mounts for key in configmap["data"])) and \
            "insecure_skip_host_key_check" not in module, f"module {name}: no host keys to trust"
        assert all(isinstance(p, str) for p in module.get("allowed_targets", [])), name
        assert isinstance(module["command"], str) and isinstance(module["max_output_bytes"], int)
        assert isinstance(module["ipv6"], bool) and re.fullmatch(r"\d+(ms|s|m)", module["timeout"])
    return modules


modules = check_exporter_pod(pod, exporter)
shard_exporter, = [c for c in shard_pod["containers"] if c["image"] == image]
assert check_exporter_pod(shard_pod, shard_exporter) == modules


def allowed(module, target):
    """Whether the module's allowed_targets, each anchored at both ends, let it probe target."""
    return "allowed_targets" not in module or any(
        re.fullmatch(p, target) for p in module["allowed_targets"])


def seconds(duration):
    number, unit = re.fullmatch(r"(\d+)(ms|s|m)", duration).groups()
    return int(number) * {"ms": 0.001, "s": 1, "m": 60}[unit]


# --- the scrape example -----------------------------------------------------------
scrape = yaml.safe_load(open(os.path.join(kubernetes, "prometheus-scrape.yml")))
address = f"{service['metadata']['name']}."
probes = [j for j in scrape["scrape_configs"] if j.get("metrics_path") == "/probe"]
assert probes, "no scrape job of /probe"
for job in probes:
    rules = job["relabel_configs"]
    assert any(r.get("source_labels") == ["__address__"] and r.get("target_label") == "__param_target"
               for r in rules), f"{job['job_name']}: the target is not relabelled into ?target="
    exporter_address, = [r["replacement"] for r in rules if r.get("target_label") == "__address__"]
    assert exporter_address.startswith(address) and exporter_address.endswith(f":{port}"), \
        f"{job['job_name']}: the scrape goes to {exporter_address}, not the Service"
    for module in job["params"]["module"]:
        assert module in modules, f"{job['job_name']}: no module {module}"
        for group in job["static_configs"]:
            assert all(allowed(modules[module], t) for t in group["targets"]), \
                f"{job['job_name']}: a target that {module}'s allowed_targets refuse"
        timeout = seconds(job.get("scrape_timeout", scrape["global"]["scrape_timeout"]))
        assert timeout >= seconds(modules[module]["timeout"]) + 0.5, \
            f"{job['job_name']}: scrape_timeout leaves module {module} no room"

# --- the sharded form --------------------------------------------------------------


def probe_job(config):
    job, = [j for j in config["scrape_configs"] if j.get("metrics_path") == "/probe"]
    return job


def without_exporter(rules):
    return [r for r in rules if r.get("target_label") != "__address__"]


template = shards_config["data"]["prometheus.yml"]
job = probe_job(yaml.safe_load(template))
reference = probe_job(yaml.safe_load(open(os.path.join(root, "deploy/sharding/prometheus-shard.yml"))))
assert without_exporter(job["relabel_configs"]) == without_exporter(reference["relabel_configs"]), \
    "the StatefulSet's relabelling is not deploy/sharding/prometheus-shard.yml's"
replicas = shards["spec"]["replicas"]
modulus, = [r["modulus"] for r in job["relabel_configs"] if r.get("action") == "hashmod"]
assert modulus == replicas, f"modulus {modulus}, but {replicas} replicas"
local_exporter, = [r["replacement"] for r in job["relabel_configs"] if r.get("target_label") == "__address__"]
assert local_exporter == f"127.0.0.1:{port}", f"the shards scrape {local_exporter}, not their own exporter"
for group in yaml.safe_load(shards_config["data"]["targets.yml"]):
    module = group["labels"]["__param_module"]
    assert module in modules, f"targets.yml: no module {group['labels']}"
    assert all(allowed(modules[module], t) for t in group["targets"]), \
        f"targets.yml: a target that {module}'s allowed_targets refuse"

# The init container that knows the ordinal writes the file the pod's Prometheus reads.
prometheus, = [c for c in shard_pod["containers"] if c["name"] == "prometheus"]
config_file, = [a.split("=", 1)[1] for a in prometheus["args"] if a.startswith("--config.file=")]
writer, = [c for c in shard_pod["initContainers"] if c.get("env")]
assert writer["env"] == [{"name": "POD_NAME", "valueFrom": {"fieldRef": {"fieldPath": "metadata.name"}}}]
*script, source, written = writer["command"]
shards_mounts = {c["name"]: {m["mountPath"]: m["name"] for m in c["volumeMounts"]} for c in (writer, prometheus)}
assert written == config_file and os.path.dirname(source) in shards_mounts["shard-config"] and \
    shards_mounts["shard-config"][os.path.dirname(config_file)] == \
    shards_mounts["prometheus"][os.path.dirname(config_file)], "shard-config writes no file Prometheus reads"
with tempfile.TemporaryDirectory() as scratch:
    source = os.path.join(scratch, "template.yml")
    open(source, "w").write(template)
    for ordinal in range(replicas):
        written = os.path.join(scratch, f"prometheus-{ordinal}.yml")
        subprocess.run(script + [source, written], check=True,
                       env={"POD_NAME": f"{shards['metadata']['name']}-{ordinal}"})
        rendered = yaml.safe_load(open(written))
        kept, = [r["regex"] for r in probe_job(rendered)["relabel_configs"] if r.get("action") == "keep"]
        assert kept == str(ordinal) and rendered["global"]["external_labels"]["shard"] == str(ordinal), \
            f"pod {ordinal} keeps {kept!r}"
        if shutil.which("promtool"):
            subprocess.run(["promtool", "check", "config", written], check=True, capture_output=True)

print(f"kubernetes: exporter Deployment, Service, ConfigMap ({', '.join(modules)}) and Secret "
      f"run {image} as uid {uid} on port {port}; credentials only as files; "
      f"scrape example relabels targets to {exporter_address}; StatefulSet of {replicas} shards, "
      f"each keeping its ordinal's hashmod share")
