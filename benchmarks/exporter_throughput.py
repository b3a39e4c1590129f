# Sustained load through the exporter, run by `benchmarks/exporter --throughput`:
#
#   python3 exporter_throughput.py <exporter-pid> <exporter-port> <sshd-pid> <sshd-port>
#                                  <module> <exporter-cores> <seconds-per-step>
#
# Scrapes of the sshd at 127.0.0.1:<sshd-port> arrive at a fixed rate, each started
# at its time whatever the others do (as Prometheus scrapes many targets, each on
# its own schedule). Each step holds one rate for <seconds-per-step>;
# the rate goes up until the p99 of the scrapes' wall time reaches 1 s, a scrape
# fails, or the exporter with its probes uses 90 % of its cores. Prints each step,
# then the last good rate per exporter core, the CPU per probe of the exporter and
# its reaped probes (sshd's not counted, but shown apart), and the peak memory
# (proportional set size) of the exporter with its running probes.
import concurrent.futures
import os
import sys
import threading
import time
import urllib.request

pid, port, sshd_pid, sshd_port, module, cores, step_seconds = sys.argv[1:8]
pid, sshd_pid, cores, step_seconds = int(pid), int(sshd_pid), float(cores), float(step_seconds)
TICK = os.sysconf("SC_CLK_TCK")
RATES = [5, 10, 12, 14, 16, 18, 20, 22, 25, 30, 35, 40, 50, 60, 70, 80, 100, 120, 140, 160, 200,
         250, 300, 400]
P99_LIMIT = 1.0
BUSY_LIMIT = 0.9


def cpu_seconds(process):
    """A process's user and system time with that of its reaped children."""
    with open(f"/proc/{process}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return sum(int(field) for field in fields[11:15]) / TICK


def cpus_busy_seconds(cpus):
    """Busy time of the given CPUs, whatever ran on them."""
    busy = 0
    with open("/proc/stat") as stat:
        for line in stat:
            fields = line.split()
            if fields[0].startswith("cpu") and fields[0][3:].isdigit() and int(fields[0][3:]) in cpus:
                values = [int(value) for value in fields[1:9]]
                busy += sum(values) - values[3] - values[4]  # idle and iowait
    return busy / TICK


def pss_kib(process):
    """Proportional set size: shared pages split among the processes that map them,
    so that the sum over the exporter and its probes counts each page once."""
    try:
        with open(f"/proc/{process}/smaps_rollup") as rollup:
            for line in rollup:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def children():
    found = []
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/children") as listed:
                found += listed.read().split()
        except OSError:
            pass
    return found


peak = {"kib": 0, "probes": 0}
SSHD_CPUS = os.sched_getaffinity(0)  # this load generator runs beside sshd
sampling = True


def sample():
    while sampling:
        running = children()
        total = pss_kib(pid) + sum(pss_kib(child) for child in running)
        peak["kib"] = max(peak["kib"], total)
        peak["probes"] = max(peak["probes"], len(running))
        time.sleep(0.01)


def scrape():
    request = urllib.request.Request(
        f"http://127.0.0.1:{port}/probe?module={module}&target=127.0.0.1:{sshd_port}",
        headers={"X-Prometheus-Scrape-Timeout-Seconds": "10"})
    start = time.monotonic()
    try:
        with urllib.request.urlopen(request, timeout=30) as answer:
            ok = "\nprobe_success 1\n" in "\n" + answer.read().decode()
    except OSError:
        ok = False
    return time.monotonic() - start, ok


def pct(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100 * (len(ordered) - 1))))]


def step(rate):
    count = int(rate * step_seconds)
    futures = []
    late = 0.0
    peak.update(kib=0, probes=0)
    cpu_before = cpu_seconds(pid)
    sshd_cpu_before = cpu_seconds(sshd_pid)
    sshd_before = cpus_busy_seconds(SSHD_CPUS)
    start = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(max_workers=min(1000, rate * 12)) as pool:
        for number in range(count):
            due = start + number / rate
            now = time.monotonic()
            if due > now:
                time.sleep(due - now)
            late = max(late, time.monotonic() - due)
            futures.append(pool.submit(scrape))
        results = [future.result() for future in futures]
    elapsed = time.monotonic() - start
    cpu = cpu_seconds(pid) - cpu_before
    sshd_cpu = cpu_seconds(sshd_pid) - sshd_cpu_before
    sshd_busy = (cpus_busy_seconds(SSHD_CPUS) - sshd_before) / (elapsed * len(SSHD_CPUS))
    walls = [wall for wall, _ in results]
    failed = sum(1 for _, ok in results if not ok)
    return {"rate": rate, "count": count, "p50": pct(walls, 50), "p99": pct(walls, 99),
            "failed": failed, "cpu_per_probe": cpu / count, "busy": cpu / (elapsed * cores),
            "late": late, "sshd_cpu_per_probe": sshd_cpu / count, "sshd_busy": sshd_busy, "peak_kib": peak["kib"],
            "peak_probes": peak["probes"]}


sampler = threading.Thread(target=sample)
sampler.start()
steps = []
verdict = "the highest rate tried was sustained"
try:
    scrape()  # page cache and the exporter's first known-hosts work out of the way
    for rate in RATES:
        result = step(rate)
        steps.append(result)
        print(f"  {rate:4d} probes/s for {step_seconds:.0f} s: scrape wall median "
              f"{result['p50'] * 1000:7.1f} ms, p99 {result['p99'] * 1000:7.1f} ms, "
              f"{result['failed']} failed, exporter + probes "
              f"{result['cpu_per_probe'] * 1000:5.2f} ms CPU per probe, "
              f"{result['busy'] * 100:3.0f} % of {cores:g} core(s); sshd "
              f"{result['sshd_cpu_per_probe'] * 1000:5.1f} ms CPU per probe, its CPUs "
              f"{result['sshd_busy'] * 100:3.0f} % busy, peak {result['peak_kib'] / 1024:.0f} MiB"
              + (f", load generator up to {result['late'] * 1000:.0f} ms late"
                 if result["late"] > 0.05 else ""), flush=True)
        if result["p99"] >= P99_LIMIT:
            verdict = f"stopped at {rate}/s: p99 {result['p99']:.2f} s"
            break
        if result["failed"]:
            verdict = f"stopped at {rate}/s: {result['failed']} scrapes failed"
            break
        if result["busy"] >= BUSY_LIMIT:
            verdict = f"stopped at {rate}/s: the exporter's cores were {result['busy'] * 100:.0f} % busy"
            break
finally:
    sampling = False
    sampler.join()

good = [s for s in steps if s["p99"] < P99_LIMIT and not s["failed"] and s["busy"] < BUSY_LIMIT]
print(f"sustained load ({verdict}):")
if good:
    best = good[-1]
    print(f"  probes per second per exporter core with p99 under 1 s: "
          f"{best['rate'] / cores:.0f}   (target: at least 100)")
    last = steps[-1]
    if last is not best and last["busy"] < BUSY_LIMIT and last["sshd_busy"] >= BUSY_LIMIT:
        print(f"  (limited by sshd's CPUs, {last['sshd_busy'] * 100:.0f} % busy, while the "
              f"exporter's were {last['busy'] * 100:.0f} % busy: at its CPU per probe the "
              f"exporter's cores would carry {1 / best['cpu_per_probe']:.0f} probes/s "
              f"each)")
    print(f"  CPU per probe, exporter and probe, sshd excluded: "
          f"{best['cpu_per_probe'] * 1000:.2f} ms at {best['rate']}/s, "
          f"{min(s['cpu_per_probe'] for s in good) * 1000:.2f} to "
          f"{max(s['cpu_per_probe'] for s in good) * 1000:.2f} ms over the good steps"
          f"   (target: at most 10 ms)")
    print(f"  peak memory (PSS), exporter and its running probes, at {best['rate']}/s: "
          f"{best['peak_kib'] / 1024:.1f} MiB ({best['peak_probes']} probes at once at most)")
else:
    print("  no rate was sustained")
