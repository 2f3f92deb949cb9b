"""WMA files made by ffmpeg and tagged by mutagen are listed as they were written,
and files our ASF editor writes are read back by mutagen and ffprobe with the new
values, their audio packets untouched and still decodable by ffmpeg."""
import glob
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys

sys.path.insert(0, os.path.dirname(__file__))
from quillory_interop import CLI, PEER, Checker, cli_json, need, tmpdir  # noqa: E402

need("ffmpeg")
need("ffprobe")
try:
    from mutagen.asf import (ASF, ASFBoolAttribute, ASFByteArrayAttribute, ASFDWordAttribute,
                             ASFQWordAttribute, ASFUnicodeAttribute, ASFWordAttribute)
except ImportError:
    print("skip: mutagen is not installed")
    sys.exit(0)

check = Checker()
d = tmpdir()

# ---- files made by independent tools -------------------------------------------------

FF_TAGS = {
    "title": "タイトル", "artist": "演奏者", "album": "アルバム", "track": "3",
    "WM/Year": "2001", "genre": "Rock", "comment": "Cmt", "composer": "作曲家",
    "copyright": "(C) ffmpeg",
}


def make_wma(path, tags):
    args = ["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100",
            "-t", "3", "-ac", "2", "-c:a", "wmav2", "-b:a", "128k", "-map_metadata", "-1"]
    for k, v in tags.items():
        args += ["-metadata", f"{k}={v}"]
    subprocess.run(args + [path], check=True)


def utf16z(s):
    return s.encode("utf-16-le") + b"\0\0"


def picture_value(mime, desc, data, kind=3):
    return struct.pack("<BI", kind, len(data)) + utf16z(mime) + utf16z(desc) + data


ff = os.path.join(d, "ffmpeg.wma")
make_wma(ff, FF_TAGS)

jpeg_path = os.path.join(d, "cover.jpg")
subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "color=c=red:s=32x32", "-frames:v", "1",
                jpeg_path], check=True)
with open(jpeg_path, "rb") as f:
    JPEG = f.read()
mg = os.path.join(d, "mutagen.wma")
make_wma(mg, {})
m = ASF(mg)
m.tags.clear()
m["Title"] = [ASFUnicodeAttribute("題名 mutagen")]
m["Author"] = [ASFUnicodeAttribute("Artist M")]
m["WM/AlbumTitle"] = [ASFUnicodeAttribute("Album M")]
m["WM/TrackNumber"] = [ASFDWordAttribute(4)]
m["WM/Year"] = [ASFUnicodeAttribute("1999")]
m["WM/Genre"] = [ASFUnicodeAttribute("Jazz")]
m["Description"] = [ASFUnicodeAttribute("comment M")]
m["WM/Composer"] = [ASFUnicodeAttribute("Composer M")]
m["WM/Writer"] = [ASFUnicodeAttribute("作詞 M")]
m["WM/Publisher"] = [ASFUnicodeAttribute("Label M")]
m["WM/PartOfSet"] = [ASFUnicodeAttribute("2/3")]
m["WM/Lyrics"] = [ASFUnicodeAttribute("歌詞 M")]
m["Copyright"] = [ASFUnicodeAttribute("(C) M")]
m["WM/EncodingSettings"] = [ASFUnicodeAttribute("enc M")]
m["WM/UserWebURL"] = [ASFUnicodeAttribute("http://example.jp/m")]
m["WM/Picture"] = [ASFByteArrayAttribute(picture_value("image/jpeg", "Front", JPEG))]
m["WM/IsCompilation"] = [ASFBoolAttribute(True)]
m["WM/EncodingTime"] = [ASFQWordAttribute(128547236135150000)]
m["WM/Word"] = [ASFWordAttribute(65535)]
m.save()

# ---- what our editor writes ----------------------------------------------------------

WRITTEN = {
    "Title": "書き込み題名", "Author": "Writer Artist", "WM/AlbumTitle": "新アルバム",
    "WM/Year": "2024", "WM/Genre": "Jazz", "Description": "コメント 😀",
    "WM/Composer": "作曲者", "WM/Writer": "作詞者", "WM/Publisher": "Label",
    "WM/PartOfSet": "1/2", "WM/Lyrics": "歌詞\r\n二行目", "Copyright": "(C) Quillory",
}
PNG = bytearray((i * 31) & 0xFF for i in range(70000))
PNG[0:4] = b"\x89PNG"
PNG = bytes(PNG)
KNOWN = ["Title", "Author", "WM/AlbumTitle", "WM/Track", "WM/TrackNumber", "WM/Year", "Description",
         "WM/Genre", "WM/Composer", "WM/Writer", "WM/Publisher", "WM/PartOfSet", "WM/Picture",
         "WM/Lyrics", "WM/UserWebURL", "Copyright", "WM/EncodingSettings"]


def unit_tests_binary():
    explicit = os.environ.get("QUILLORY_UNIT_TESTS")
    if explicit:
        return explicit
    if CLI:
        return os.path.join(os.path.dirname(CLI), "tests", "quillory_unit_tests")
    return ""


def packets_md5(path):
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-c", "copy", "-f", "md5", "-"],
                         capture_output=True, check=True)
    return out.stdout.decode().strip()


def decode_errors(path):
    dec = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "null", "-"], capture_output=True)
    # Decoder messages name the decoder's address; only their text matters.
    return dec.returncode, re.sub(r" @ 0x[0-9a-f]+", "", dec.stderr.decode("utf-8", "replace"))


def after_header(path):
    with open(path, "rb") as f:
        data = f.read()
    size = struct.unpack_from("<Q", data, 16)[0]
    return hashlib.sha256(data[size:]).hexdigest()


def values(tags, name):
    """All values of a name, case-insensitive as the editor compares names."""
    return [v for k, vs in tags.items() if k.lower() == name.lower() for v in vs]


commit = os.path.join(d, "commit")
os.makedirs(commit)
shutil.copy(ff, os.path.join(commit, "a_ffmpeg.wma"))
shutil.copy(mg, os.path.join(commit, "b_mutagen.wma"))
shutil.copy(mg, os.path.join(commit, "remove_mutagen.wma"))
for i, sample in enumerate(sorted(glob.glob(os.path.join(PEER, "*", "*.wma"))) if PEER else []):
    dst = os.path.join(commit, f"c_peer{i}_{os.path.basename(sample)}")
    shutil.copy(sample, dst)
    os.chmod(dst, 0o644)

files = sorted(glob.glob(os.path.join(commit, "*.wma")))
before = {f: (packets_md5(f), after_header(f), decode_errors(f)) for f in files}
for f in files:
    if not os.path.basename(f).startswith("c_peer"):
        check.eq(f"{os.path.basename(f)}: made file decodes cleanly", before[f][2], (0, ""))

binary = unit_tests_binary()
if not os.path.exists(binary):
    print(f"skip: unit-test program not found at {binary!r}")
    sys.exit(0)
env = dict(os.environ, QUILLORY_WMA_COMMIT_DIR=commit)
run = subprocess.run([binary, "--gtest_filter=WmaInteropCommit.*"], env=env, capture_output=True)
out = run.stdout.decode("utf-8", "replace")
check.eq("editor run", run.returncode, 0)
check.eq("editor ran the commit", "[  PASSED  ] 1 test" in out and "SKIPPED" not in out, True)
if run.returncode != 0:
    print(out[-3000:])

for f in files:
    name = os.path.basename(f)
    md5, rest, errors = before[f]
    check.eq(f"{name}: audio packets", packets_md5(f), md5)
    check.eq(f"{name}: bytes after the header", after_header(f), rest)
    # A truncated peer sample decodes with the same complaint as before, no other.
    check.eq(f"{name}: ffmpeg decodes as before", decode_errors(f), errors)
    tags = ASF(f).tags
    if name.startswith("remove_"):
        for k in KNOWN:
            check.eq(f"{name}: {k} removed", values(tags, k), [])
        check.eq(f"{name}: others kept", [bool(v.value) for v in values(tags, "WM/IsCompilation")], [True])
        check.eq(f"{name}: QWORD kept", [v.value for v in values(tags, "WM/EncodingTime")], [128547236135150000])
        continue
    for k, want in WRITTEN.items():
        check.eq(f"{name}: {k}", [str(v) for v in values(tags, k)], [want])
    track = values(tags, "WM/TrackNumber")
    check.eq(f"{name}: WM/TrackNumber", [(type(v).__name__, v.value) for v in track], [("ASFDWordAttribute", 7)])
    check.eq(f"{name}: WM/Track deleted", values(tags, "WM/Track"), [])
    link = values(tags, "WM/UserWebURL")
    check.eq(f"{name}: WM/UserWebURL", [bytes(v.value) for v in link], [utf16z("") + utf16z("http://example.jp/q")])
    pic = values(tags, "WM/Picture")
    check.eq(f"{name}: WM/Picture", [bytes(v.value) for v in pic], [picture_value("image/png", "表紙", PNG, 0)])

    probe = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format_tags", "-of", "json", f],
                           capture_output=True, check=True)
    import json
    ptags = {k.lower(): v for k, v in json.loads(probe.stdout)["format"].get("tags", {}).items()}
    for key, want in [("title", WRITTEN["Title"]), ("artist", WRITTEN["Author"]), ("album", WRITTEN["WM/AlbumTitle"]),
                      ("genre", WRITTEN["WM/Genre"]), ("comment", WRITTEN["Description"]),
                      ("composer", WRITTEN["WM/Composer"]), ("copyright", WRITTEN["Copyright"]),
                      ("track", "7"), ("disc", "1/2"), ("publisher", "Label"), ("wm/year", "2024")]:
        check.eq(f"{name}: ffprobe {key}", ptags.get(key), want)

# ---- the list, through the command line -------------------------------------------------

if check.failures:
    check.finish()

try:
    rows = cli_json(ff, mg)
except Exception as e:  # the CLI may not be built yet
    rows = []
    print(f"note: {e}")
if len(rows) != 2 or rows[0].get("ColTagKind") != "wma":
    print("skip: quillory-cli does not list WMA rows yet (editor checks passed)")
    sys.exit(0)

a, b = rows
want_a = {
    "ColTitle": "タイトル", "ColArtist": "演奏者", "ColAlbum": "アルバム", "ColGenre": "Rock",
    "ColTrack": "3", "ColYear": "2001", "ColTagKind": "wma", "ColComment": "Cmt",
    "ColComposer": "作曲家", "ColCopyright": "(C) ffmpeg", "ColPicture": "",
    "ColAudioFormat": "Windows Audio 44100hz 127kbps", "ColPlaySeconds": "3",
}
for k, v in want_a.items():
    check.eq(f"ffmpeg row {k}", a.get(k), v)
check.eq("ffmpeg row ColEncoder", a.get("ColEncoder", "").startswith("Lavf"), True)

want_b = {
    "ColTitle": "題名 mutagen", "ColArtist": "Artist M", "ColAlbum": "Album M", "ColGenre": "Jazz",
    "ColTrack": "4", "ColYear": "1999", "ColTagKind": "wma", "ColComment": "comment M",
    "ColComposer": "Composer M", "ColLyricist": "作詞 M", "ColLabel": "Label M", "ColDiscSet": "2/3",
    "ColLyrics": "歌詞 M", "ColCopyright": "(C) M", "ColEncoder": "enc M", "ColUrl": "http://example.jp/m",
    "ColPicture": "有り", "ColPictureDescription": "Front", "ColPlaySeconds": "3",
}
for k, v in want_b.items():
    check.eq(f"mutagen row {k}", b.get(k), v)
check.eq("mutagen row ColAudioFormat", b.get("ColAudioFormat", "").startswith("Windows Audio 44100hz "), True)

# Files the editor wrote list with the new values.
rows = cli_json(os.path.join(commit, "b_mutagen.wma"))
check.eq("written row title", rows[0].get("ColTitle") if rows else None, WRITTEN["Title"])
check.eq("written row track", rows[0].get("ColTrack") if rows else None, "7")
check.eq("written row url", rows[0].get("ColUrl") if rows else None, "http://example.jp/q")
check.eq("written row picture", rows[0].get("ColPicture") if rows else None, "有り")
check.finish()
