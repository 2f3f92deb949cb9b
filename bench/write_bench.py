#!/usr/bin/python3
"""Times setting the title of N corpus files with `quillory-cli set` against the TagLib
writer, as whole processes on fresh copies of the same files (warm page cache, best of
several runs), in two ways: a short title that fits the tags' padding (written in
place), and a title longer than the padding (every file rewritten). Prints files per
second and the ratio quillory/taglib for each.

usage: write_bench.py CLI TAGLIB_WRITER CORPUS_DIR [N] [RUNS]"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

cli, writer, corpus = sys.argv[1:4]
n = int(sys.argv[4]) if len(sys.argv) > 4 else 1000
runs = int(sys.argv[5]) if len(sys.argv) > 5 else 3

files = sorted(os.path.join(r, f) for r, _, fs in os.walk(corpus) for f in fs if f.endswith(".mp3"))[:n]
if len(files) < n:
    sys.exit(f"write_bench: the corpus has only {len(files)} files")
work = tempfile.mkdtemp(prefix="quillory-write-bench-")
env = dict(os.environ)
env["XDG_CONFIG_HOME"] = os.path.join(work, ".config")  # default settings


def fresh_copy():
    target = os.path.join(work, "files")
    shutil.rmtree(target, ignore_errors=True)
    os.makedirs(target)
    for i, f in enumerate(files):
        shutil.copyfile(f, os.path.join(target, f"{i:05d}.mp3"))
    return target


def best(make_cmd):
    times = []
    for _ in range(runs):
        target = fresh_copy()
        cmd = make_cmd(target)
        t = time.perf_counter()
        subprocess.run(cmd, stdout=subprocess.DEVNULL, check=True, env=env)
        times.append(time.perf_counter() - t)
    return min(times)


SHORT = "ベンチ"                 # grows each tag by a few bytes: fits the 512-byte padding
LONG = "長い題名" * 150           # 1200 bytes in UTF-16: no tag's padding holds it
try:
    for label, title in (("in place", SHORT), ("rewrite", LONG)):
        q = best(lambda d: [cli, "set", "--v2", f"title={title}", "--", d])
        t = best(lambda d: [writer, title, d])
        print(f"{label:9s} quillory {n / q:8.0f} files/s   taglib {n / t:8.0f} files/s   "
              f"ratio quillory/taglib: {t / q:.2f}")
finally:
    shutil.rmtree(work, ignore_errors=True)
