"""Edits made in the main window reach the files: mutagen writes the ID3v2 tags, the
window (its GUI test binary, driven through QUILLORY_EDIT_DIR) changes the artist and
album of every row and the title of one, writes, copies the fields to ID3v1 and
writes again; mutagen then reads the new values back."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(__file__))
from quillory_interop import CLI, Checker, tmpdir  # noqa: E402

try:
    from mutagen.id3 import ID3, TALB, TIT2, TPE1, TRCK
except ImportError:
    print("skip: mutagen is not installed")
    sys.exit(0)


def gui_tests_binary():
    explicit = os.environ.get("QUILLORY_GUI_TESTS")
    if explicit:
        return explicit
    return os.path.join(os.path.dirname(CLI), "tests", "gui", "quillory_gui_tests")


binary = gui_tests_binary()
if not os.path.exists(binary):
    print("skip: the GUI test binary is not built")
    sys.exit(0)

check = Checker()
d = tmpdir()
music = os.path.join(d, "music")
os.makedirs(music)

# MPEG-1 layer III, 128 kbit/s, 44.1 kHz frames of silence.
FRAME = b"\xff\xfb\x90\x64" + bytes(417 - 4)
paths = []
for i, (title, artist) in enumerate([("一曲目", "歌手"), ("Second", "Singer")]):
    p = os.path.join(music, f"song{i}.mp3")
    with open(p, "wb") as f:
        f.write(FRAME * 20)
    tags = ID3()
    tags.add(TIT2(encoding=1, text=title))
    tags.add(TPE1(encoding=1, text=artist))
    tags.add(TRCK(encoding=0, text=str(i + 1)))
    tags.save(p, v2_version=3)
    paths.append(p)

env = dict(os.environ, QUILLORY_EDIT_DIR=music, QT_QPA_PLATFORM="offscreen")
run = subprocess.run([binary, "--gtest_filter=EditWindowEndToEnd.*"], env=env, capture_output=True, timeout=300)
out = run.stdout.decode(errors="replace")
check.eq("window run", run.returncode, 0)
check.eq("window ran the edit", "[  PASSED  ] 1 test" in out and "SKIPPED" not in out, True)
if run.returncode != 0:
    print(out[-3000:])

for i, p in enumerate(paths):
    tags = ID3(p)
    check.eq(f"{i} artist", str(tags["TPE1"]), "Beyoncé 🎤")
    check.eq(f"{i} album", str(tags["TALB"]), "窓から")
    check.eq(f"{i} track kept", str(tags["TRCK"]), str(i + 1))
    check.eq(f"{i} title", str(tags["TIT2"]), "新しい題" if i == 0 else "Second")
    with open(p, "rb") as f:
        data = f.read()
    v1 = data[-128:]
    check.eq(f"{i} ID3v1 block", v1[:3], b"TAG")
    want = ("新しい題" if i == 0 else "Second").encode("shift_jis")
    check.eq(f"{i} ID3v1 title", v1[3:33].rstrip(b"\0 "), want)
    check.eq(f"{i} ID3v1 album", v1[63:93].rstrip(b"\0 "), "窓から".encode("shift_jis"))
    # The audio frames are untouched.
    check.eq(f"{i} audio", FRAME * 20 in data, True)

check.finish()
