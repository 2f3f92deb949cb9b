"""Shared helpers of the interop tests: temp folders, audio made by ffmpeg, and
running quillory-cli."""
import json
import os
import shutil
import subprocess
import sys
import tempfile

CLI = os.environ.get("QUILLORY_CLI", "")
PEER = os.environ.get("QUILLORY_PEER_SAMPLES", "")


def need(tool):
    if shutil.which(tool) is None:
        print(f"skip: {tool} is not installed")
        sys.exit(0)


def tmpdir():
    d = tempfile.mkdtemp(prefix="quillory-interop-")
    # Settings of the test run stay out of the user's own.
    os.environ["XDG_CONFIG_HOME"] = os.path.join(d, "config")
    os.environ["XDG_DATA_HOME"] = os.path.join(d, "data")
    return d


def make_audio(path, codec_args, seconds=1):
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    "anullsrc=r=44100:cl=stereo", "-t", str(seconds)] + codec_args + [path],
                   check=True)


def cli_json(*paths, extra=()):
    out = subprocess.run([CLI, "list", "--json", *extra, *paths], capture_output=True, check=False)
    if out.returncode not in (0,):
        raise AssertionError(f"quillory-cli exited {out.returncode}: {out.stderr.decode('utf-8', 'replace')}")
    rows = [json.loads(line) for line in out.stdout.decode("utf-8").splitlines() if line.strip()]
    return rows


class Checker:
    def __init__(self):
        self.failures = []

    def eq(self, what, got, want):
        if got != want:
            self.failures.append(f"{what}: got {got!r}, want {want!r}")

    def finish(self):
        if self.failures:
            for f in self.failures:
                print("FAIL", f)
            sys.exit(1)
        print("ok")
