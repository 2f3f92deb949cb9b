#!/usr/bin/python3
"""Times `quillory-cli list --tsv` against the TagLib reader over the same corpus
in the same run (warm page cache, best of several runs) and prints rows per second.

usage: list_bench.py CLI TAGLIB_READER CORPUS_DIR [RUNS]"""
import os
import subprocess
import sys
import time

cli, reader, corpus = sys.argv[1:4]
runs = int(sys.argv[4]) if len(sys.argv) > 4 else 5
n = sum(len([f for f in fs if f.endswith(".mp3")]) for _, _, fs in os.walk(corpus))
env = dict(os.environ)
env["XDG_CONFIG_HOME"] = os.path.join(corpus, ".config")  # default settings


def best(cmd):
    times = []
    for _ in range(runs):
        t = time.perf_counter()
        out = subprocess.run(cmd, stdout=subprocess.PIPE, check=True, env=env).stdout
        times.append(time.perf_counter() - t)
    return min(times), out.count(b"\n")


cmds = {
    "quillory": [cli, "list", "--tsv", corpus],
    "taglib": [reader, corpus],
}
for cmd in cmds.values():  # warm the page cache
    subprocess.run(cmd, stdout=subprocess.DEVNULL, check=True, env=env)
res = {}
for name, cmd in cmds.items():
    t, rows = best(cmd)
    res[name] = n / t
    print(f"{name:9s} {rows:6d} rows  {t * 1000:8.1f} ms  {n / t:10.0f} rows/s")
print(f"ratio quillory/taglib: {res['quillory'] / res['taglib']:.2f}")
