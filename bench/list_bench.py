#!/usr/bin/python3
"""Times `quillory-cli list --tsv` against the TagLib reader over the same corpus
in the same run (warm page cache, best of several runs) and prints rows per second.

usage: list_bench.py CLI TAGLIB_READER CORPUS_DIR [RUNS]"""
import os
import resource
import subprocess
import sys
import time

cli, reader, corpus = sys.argv[1:4]
runs = int(sys.argv[4]) if len(sys.argv) > 4 else 5
n = sum(len([f for f in fs if f.endswith(".mp3")]) for _, _, fs in os.walk(corpus))
env = dict(os.environ)
env["XDG_CONFIG_HOME"] = os.path.join(corpus, ".config")  # default settings


def cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def best(cmd):
    """Best wall time and best CPU time (user + system) over the runs: the CPU time
    stays meaningful when other work shares the machine."""
    times, cpus = [], []
    for _ in range(runs):
        t, c = time.perf_counter(), cpu()
        out = subprocess.run(cmd, stdout=subprocess.PIPE, check=True, env=env).stdout
        times.append(time.perf_counter() - t)
        cpus.append(cpu() - c)
    return min(times), min(cpus), out.count(b"\n")


cmds = {
    "quillory": [cli, "list", "--tsv", corpus],
    "taglib": [reader, corpus],
}
for cmd in cmds.values():  # warm the page cache
    subprocess.run(cmd, stdout=subprocess.DEVNULL, check=True, env=env)
res = {}
for name, cmd in cmds.items():
    t, c, rows = best(cmd)
    res[name] = (n / t, n / c)
    print(f"{name:9s} {rows:6d} rows  wall {t * 1000:8.1f} ms {n / t:8.0f} rows/s"
          f"   cpu {c * 1000:8.1f} ms {n / c:8.0f} rows/s")
print(f"ratio quillory/taglib: wall {res['quillory'][0] / res['taglib'][0]:.2f}"
      f"  cpu {res['quillory'][1] / res['taglib'][1]:.2f}")
