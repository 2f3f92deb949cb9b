"""Files written by `quillory-cli set` are read back by mutagen and ffprobe with exactly
the values set, for every file kind, ID3v2 version and text encoding; files first
written by mutagen and ffmpeg are edited by us and keep every other frame, attribute
and the audio; ffmpeg still decodes them without error."""
import atexit
import hashlib
import json
import os
import shutil
import struct
import subprocess
import sys

sys.path.insert(0, os.path.dirname(__file__))
from quillory_interop import CLI, Checker, cli_json, make_audio, need, tmpdir  # noqa: E402

need("ffmpeg")
need("ffprobe")
try:
    import mutagen
    from mutagen.asf import ASF
    from mutagen.id3 import (APIC, COMM, GEOB, ID3, PRIV, TALB, TIT2, TPE1, TXXX, TYER)
except ImportError:
    print("skip: mutagen is not installed")
    sys.exit(0)

d = tmpdir()
check = Checker()

base_mp3 = os.path.join(d, "base.mp3")
make_audio(base_mp3, ["-c:a", "libmp3lame", "-b:a", "128k", "-id3v2_version", "0", "-write_xing", "0"])
base_wav = os.path.join(d, "base.wav")
make_audio(base_wav, ["-c:a", "pcm_s16le", "-fflags", "+bitexact", "-map_metadata", "-1"])
base_wma = os.path.join(d, "base.wma")
make_audio(base_wma, ["-c:a", "wmav2", "-b:a", "64k", "-map_metadata", "-1"])
png = os.path.join(d, "cover.png")
subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "color=c=red:s=16x8", "-frames:v", "1", png],
               check=True)
jpg = os.path.join(d, "cover.jpg")
subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "color=c=blue:s=32x16", "-frames:v", "1", jpg],
               check=True)
atexit.register(lambda: shutil.rmtree(d, ignore_errors=True))


def copy(src, name):
    path = os.path.join(d, name)
    shutil.copy(src, path)
    return path


def cli_set(*args, expect=0):
    out = subprocess.run([CLI, "set", *args], capture_output=True)
    if out.returncode != expect:
        check.failures.append(f"set {args}: exit {out.returncode}, stderr {out.stderr.decode('utf-8', 'replace')}")
    return out


def mp3_audio(path):
    """Everything after the ID3v2 tag and before the ID3v1 block."""
    with open(path, "rb") as f:
        data = f.read()
    start = 0
    if data[:3] == b"ID3":
        s = data[6:10]
        start = 10 + ((s[0] << 21) | (s[1] << 14) | (s[2] << 7) | s[3])
        if data[5] & 0x10:
            start += 10
    end = len(data)
    if end - start >= 128 and data[-128:-125] == b"TAG":
        end -= 128
    return hashlib.sha256(data[start:end]).hexdigest()


def riff_chunk(path, cid):
    """Bytes of the first top-level chunk with the id (header included)."""
    with open(path, "rb") as f:
        data = f.read()
    pos = 12
    while pos + 8 <= len(data):
        size = struct.unpack("<I", data[pos + 4:pos + 8])[0]
        if data[pos:pos + 4] == cid:
            return data[pos:pos + 8 + size]
        pos += 8 + size + (size & 1)
    return b""


ASF_DATA = bytes.fromhex("3626b2758e66cf11a6d900aa0062ce6c")


def asf_data_object(path):
    with open(path, "rb") as f:
        data = f.read()
    at = data.find(ASF_DATA)
    if at < 0:
        return b""
    size = struct.unpack("<Q", data[at + 16:at + 24])[0]
    return hashlib.sha256(data[at:at + size]).hexdigest()


def decodes(path):
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "null", "-"], capture_output=True)
    return out.returncode == 0 and not out.stderr.strip()


def probe_tags(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format_tags", "-of", "json", path],
                         capture_output=True, check=True)
    tags = json.loads(out.stdout.decode("utf-8", "replace")).get("format", {}).get("tags", {})
    return {k.lower(): v for k, v in tags.items()}


def frame_text(tags, key):
    frame = tags.get(key)
    return None if frame is None else str(frame.text[0]) if hasattr(frame, "text") else str(frame)


VALUES = {
    "title": "夜明けの歌 🌅", "artist": "春風ミナ", "album": "はじまり", "genre": "J-Pop",
    "track": "3", "year": "2004", "comment": "コメント～テスト", "composer": "作曲者",
    "lyricist": "作詞者", "label": "レーベル", "discset": "1/2", "lyrics": "歌詞の一行目\n二行目",
    "copyright": "(C) 2004", "encoder": "LAME", "url": "http://example.jp/",
}
SJIS_VALUES = dict(VALUES, title="夜明けの歌")  # Shift-JIS holds no emoji

# --- every ID3v2 version and encoding, written into an untagged MP3 -------------------
for ver, ver_name in ((1, "2.2"), (2, "2.3"), (3, "2.4")):
    for lng, lng_name in ((0, "sjis"), (1, "utf16"), (2, "utf8")):
        for be in (1, 0):
            if lng != 1 and be == 0:
                continue
            name = f"new_v{ver_name}_{lng_name}_{be}.mp3"
            path = copy(base_mp3, name)
            audio = mp3_audio(path)
            values = SJIS_VALUES if lng == 0 else VALUES
            cli_set("--v2", "-o", f"ver id={ver}", "-o", f"lng id={lng}", "-o", f"be-le={be}",
                    *[f"{k}={v}" for k, v in values.items()], "--", path)
            check.eq(f"{name} audio", mp3_audio(path), audio)
            check.eq(f"{name} decodes", decodes(path), True)
            tags = ID3(path)
            check.eq(f"{name} version", tags.version[1], int(ver_name[-1]))

            def want(text):
                # Encoding 0 is Shift-JIS here; mutagen reads it as Latin-1.
                return text.encode("cp932").decode("latin-1") if lng == 0 else text

            for key, field in (("TIT2", "title"), ("TPE1", "artist"), ("TALB", "album"),
                               ("TCON", "genre"), ("TRCK", "track"), ("TCOM", "composer"),
                               ("TEXT", "lyricist"), ("TPUB", "label"), ("TPOS", "discset"),
                               ("TCOP", "copyright"), ("TSSE", "encoder")):
                check.eq(f"{name} {key}", frame_text(tags, key), want(values[field]))
            check.eq(f"{name} year", str(tags.get("TDRC").text[0]) if tags.get("TDRC") else None, "2004")
            comm = [f for f in tags.getall("COMM") if f.desc == ""]
            check.eq(f"{name} COMM", comm[0].text[0] if comm else None, want(values["comment"]))
            wxxx = tags.getall("WXXX")
            check.eq(f"{name} WXXX", wxxx[0].url if wxxx else None, values["url"])
            if ver != 1:  # the program keeps lyrics of 2.2 tags in LYR, which others do not read
                uslt = tags.getall("USLT")
                check.eq(f"{name} USLT", uslt[0].text if uslt else None, want(values["lyrics"]))
            if lng != 0:
                probed = probe_tags(path)
                keys = [("title", "title"), ("artist", "artist"), ("album", "album"), ("genre", "genre"),
                        ("track", "track")]
                if ver != 1:  # ffmpeg has no name for the 2.2 composer frame
                    keys.append(("composer", "composer"))
                for key, field in keys:
                    check.eq(f"{name} ffprobe {key}", probed.get(key), values[field])
            # Our own reader agrees too.
            row = cli_json(path)[0]
            check.eq(f"{name} list title", row["ColTitle"], values["title"])
            check.eq(f"{name} list tag kind", row["ColTagKind"], "v" + ver_name)

# --- files written by mutagen: our edit keeps every other frame --------------------------
with open(jpg, "rb") as f:
    JPEG = f.read()
for version in (3, 4):
    for padding in ("128", "0", "4096"):
        name = f"mutagen_v2{version}_pad{padding}.mp3"
        path = copy(base_mp3, name)
        tag = ID3()
        tag.add(TIT2(encoding=1, text="古い題名"))
        tag.add(TPE1(encoding=3 if version == 4 else 1, text="歌手"))
        tag.add(TALB(encoding=1, text="album"))
        tag.add(TYER(encoding=1, text="1999"))
        tag.add(PRIV(owner="com.example", data=b"\x00\xff\xe0\xff\x00private"))
        tag.add(TXXX(encoding=1, desc="独自", text="値"))
        tag.add(GEOB(encoding=0, mime="application/x-test", filename="f.bin", desc="d", data=b"\xff\xfb\x90\x00" * 8))
        tag.add(COMM(encoding=0, lang="eng", desc="iTunNORM", text=" 00000001 00000002"))
        tag.add(APIC(encoding=3, mime="image/jpeg", type=3, desc="cover", data=JPEG))
        tag.save(path, v2_version=version)
        before = ID3(path)
        audio = mp3_audio(path)
        # A new frame takes the code the row shows (the described COMM counts as Shift-JIS).
        sjis_row = cli_json(path)[0]["ColTextCode"] == "Sjis"
        cli_set("--v2", "-o", f"paddig={padding}", "title=新しい題名", "comment=私のコメント",
                "artist=別の歌手", "--", path)
        after = ID3(path)
        check.eq(f"{name} title", frame_text(after, "TIT2"), "新しい題名")
        check.eq(f"{name} artist", frame_text(after, "TPE1"), "別の歌手")
        mine = [f for f in after.getall("COMM") if f.desc == ""]
        want_comment = "私のコメント".encode("cp932").decode("latin-1") if sjis_row else "私のコメント"
        check.eq(f"{name} comment", mine[0].text[0] if mine else None, want_comment)
        for key in ("PRIV:com.example", "TXXX:独自", "GEOB:d", "COMM:iTunNORM:eng", "APIC:cover", "TALB"):
            check.eq(f"{name} kept {key}", repr(after.get(key)), repr(before.get(key)))
        check.eq(f"{name} audio", mp3_audio(path), audio)
        check.eq(f"{name} decodes", decodes(path), True)
        check.eq(f"{name} list", cli_json(path)[0]["ColComment"], "私のコメント")

# --- an MP3 tagged by ffmpeg ------------------------------------------------------------
path = os.path.join(d, "ffmpeg_tagged.mp3")
subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", base_mp3, "-c", "copy", "-metadata", "title=ffmpeg title",
                "-metadata", "artist=ffmpeg artist", "-id3v2_version", "3", path], check=True)
audio = mp3_audio(path)
cli_set("title=題名", "year=2001", "--", path)
after = ID3(path)
# ffmpeg wrote the ASCII title in encoding 0, which stays Shift-JIS; others read it as Latin-1.
sjis_title = "題名".encode("cp932").decode("latin-1")
check.eq("ffmpeg mp3 title", frame_text(after, "TIT2"), sjis_title)
check.eq("ffmpeg mp3 artist kept", frame_text(after, "TPE1"), "ffmpeg artist")
check.eq("ffmpeg mp3 audio", mp3_audio(path), audio)
check.eq("ffmpeg mp3 decodes", decodes(path), True)
check.eq("ffmpeg mp3 probe", probe_tags(path).get("title"), sjis_title)
check.eq("ffmpeg mp3 list", cli_json(path)[0]["ColTitle"], "題名")

# --- ID3v1: written beside the ID3v2 tag, read by mutagen's ID3v1 reader -------------------
path = copy(base_mp3, "v1.mp3")
audio = mp3_audio(path)
cli_set("--v1", "title=ｻｸﾗ", "artist=Artist", "track=7", "year=1999", "genre=" + "ロック", "--", path)
with open(path, "rb") as f:
    block = f.read()[-128:]
from mutagen.id3 import ParseID3v1  # noqa: E402
v1 = ParseID3v1(block)
check.eq("v1 title", str(v1["TIT2"]) if v1 and "TIT2" in v1 else None, "ｻｸﾗ".encode("cp932").decode("latin-1"))
check.eq("v1 artist", str(v1["TPE1"]) if v1 else None, "Artist")
check.eq("v1 track", str(v1["TRCK"]) if v1 else None, "7")
check.eq("v1 genre byte", block[127], 17)
check.eq("v1 audio", mp3_audio(path), audio)
check.eq("v1 decodes", decodes(path), True)

# --- pictures ----------------------------------------------------------------------------
for version in (1, 2, 3):
    path = copy(base_mp3, f"picture_{version}.mp3")
    audio = mp3_audio(path)
    cli_set("-o", f"ver id={version}", "title=t", f"picture={png}", "--", path)
    apic = ID3(path).getall("APIC")
    with open(png, "rb") as f:
        check.eq(f"picture {version} png bytes", apic[0].data if apic else None, f.read())
    check.eq(f"picture {version} mime", apic[0].mime.lower() if apic else None, "image/png")
    cli_set(f"picture={jpg}", "--", path)
    apic = ID3(path).getall("APIC")
    check.eq(f"picture {version} jpeg", apic[0].data[:3] if apic else None, b"\xff\xd8\xff")
    check.eq(f"picture {version} count", len(apic), 1)
    cli_set("picture=削除", "--", path)
    check.eq(f"picture {version} removed", len(ID3(path).getall("APIC")), 0)
    check.eq(f"picture {version} audio", mp3_audio(path), audio)
    check.eq(f"picture {version} decodes", decodes(path), True)

# --- WAVE: INFO written, the data chunk untouched -----------------------------------------
for name, src in (("plain.wav", base_wav), ("ffmpeg_info.wav", None)):
    path = os.path.join(d, name)
    if src:
        shutil.copy(src, path)
    else:
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", base_wav, "-c", "copy", "-metadata", "title=old",
                        "-metadata", "comment=kept comment", path], check=True)
    data = riff_chunk(path, b"data")
    cli_set("--v2", "title=Morning", "artist=Grieg", "album=Peer Gynt", "year=1875", "--", path)
    probed = probe_tags(path)
    check.eq(f"{name} title", probed.get("title"), "Morning")
    check.eq(f"{name} artist", probed.get("artist"), "Grieg")
    check.eq(f"{name} album", probed.get("album"), "Peer Gynt")
    if not src:
        check.eq(f"{name} comment kept", probed.get("comment"), "kept comment")
    check.eq(f"{name} data chunk", riff_chunk(path, b"data"), data)
    check.eq(f"{name} decodes", decodes(path), True)
    cli_set("--v2", "title=朝の歌", "--", path)
    check.eq(f"{name} list", cli_json(path)[0]["ColTitle"], "朝の歌")

# --- WMA: attributes written, the data object untouched ------------------------------------
for name in ("plain.wma", "ffmpeg_tagged.wma"):
    path = os.path.join(d, name)
    if name == "plain.wma":
        shutil.copy(base_wma, path)
    else:
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", base_wma, "-c", "copy", "-metadata", "title=old",
                        "-metadata", "album=kept album", path], check=True)
    data = asf_data_object(path)
    cli_set("--v2", "title=波の音", "artist=海辺の楽団", "track=4", "genre=New Age", f"picture={png}",
            "comment=説明", "--", path)
    tags = ASF(path).tags
    check.eq(f"{name} title", str(tags.get("Title", [""])[0]), "波の音")
    check.eq(f"{name} artist", str(tags.get("Author", [""])[0]), "海辺の楽団")
    check.eq(f"{name} track", int(tags.get("WM/TrackNumber", [0])[0].value), 4)
    check.eq(f"{name} genre", str(tags.get("WM/Genre", [""])[0]), "New Age")
    check.eq(f"{name} comment", str(tags.get("Description", [""])[0]), "説明")
    if name != "plain.wma":
        check.eq(f"{name} album kept", str(tags.get("WM/AlbumTitle", [""])[0]), "kept album")
    pictures = tags.get("WM/Picture", [])
    check.eq(f"{name} picture", len(pictures), 1)
    probed = probe_tags(path)
    check.eq(f"{name} ffprobe title", probed.get("title"), "波の音")
    check.eq(f"{name} data object", asf_data_object(path), data)
    check.eq(f"{name} decodes", decodes(path), True)
    # Both sides: the attributes, then an ID3v1 block at the end.
    cli_set("title=Wave", "--", path)
    with open(path, "rb") as f:
        check.eq(f"{name} v1 block", f.read()[-128:][:7], b"TAGWave")
    check.eq(f"{name} title after both", str(ASF(path).tags.get("Title", [""])[0]), "Wave")

# --- RIFF MP3: wrapped by us, the audio kept in the data chunk ------------------------------
path = copy(base_mp3, "wrap.mp3")
audio = mp3_audio(path)
cli_set("-o", "ver id=0", "-o", "chgext=1", "title=題名", "artist=歌手", "--", path)
rmp = path[:-4] + ".rmp"
check.eq("rmp renamed", os.path.exists(rmp) and not os.path.exists(path), True)
if os.path.exists(rmp):
    chunk = riff_chunk(rmp, b"data")
    check.eq("rmp audio", hashlib.sha256(chunk[8:]).hexdigest(), audio)
    row = cli_json(rmp)[0]
    check.eq("rmp title", row["ColTitle"], "題名")
    check.eq("rmp kind", row["ColTagKind"], "riff")

# --- exit status: a refused read-only file is reported --------------------------------------
path = copy(base_mp3, "readonly.mp3")
os.chmod(path, 0o444)
with open(path, "rb") as f:
    before = f.read()
cli_set("title=x", "--", path, expect=1)
with open(path, "rb") as f:
    check.eq("read-only untouched", f.read(), before)
cli_set("--readonly", "title=x", "--", path)
check.eq("read-only written", frame_text(ID3(path), "TIT2"), "x")
check.eq("read-only kept", oct(os.stat(path).st_mode & 0o777), oct(0o444))

# --- the demo library: every kind of file, tagged by us, read back ---------------------------
demo = os.path.join(d, "demo")
subprocess.run([CLI, "demo", demo], check=True, capture_output=True)
rows = {os.path.basename(r["ColPath"]): r for r in cli_json(demo)}
kinds = {name: row["ColTagKind"] for name, row in rows.items()}
check.eq("demo kinds", sorted(kinds.values()),
         sorted(["v2.3", "v2.4", "v2.3", "not", "v2.3", "riff", "riff", "wma"]))
check.eq("demo utf-8 title", rows.get("02 春の歌.mp3", {}).get("ColTitle"), "春の歌 🌸")
check.eq("demo cover", rows.get("月の光.mp3", {}).get("ColPicture"), "有り")
for name in rows:
    if name.endswith((".mp3", ".wav", ".wma")):
        check.eq(f"demo {name} decodes", decodes(os.path.join(os.path.dirname(rows[name]["ColPath"]), name)), True)

check.finish()
