"""MP3 files tagged by mutagen and WAVE files tagged by ffmpeg are listed by
quillory-cli exactly as they were written."""
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(__file__))
from quillory_interop import Checker, cli_json, make_audio, need, tmpdir  # noqa: E402

need("ffmpeg")
try:
    from mutagen.id3 import (APIC, COMM, ID3, TALB, TCOM, TCON, TEXT, TIT2, TPE1, TPOS,
                             TPUB, TRCK, TYER, TDRC, USLT, WXXX, TCOP, TSSE)
except ImportError:
    print("skip: mutagen is not installed")
    sys.exit(0)

d = tmpdir()
base = os.path.join(d, "base.mp3")
make_audio(base, ["-c:a", "libmp3lame", "-b:a", "128k", "-id3v2_version", "0", "-write_xing", "0"])
music = os.path.join(d, "music")

# Channel mode of lame's first frame, read from the header bits: joint stereo shows "J-".
with open(base, "rb") as f:
    head = f.read(4096)
sync = next(i for i in range(len(head) - 1) if head[i] == 0xFF and head[i + 1] & 0xE0 == 0xE0)
BASE_MODE = {0: "", 1: "J-", 2: "D-", 3: ""}[(head[sync + 3] >> 6) & 3]
os.makedirs(music)

JPEG = bytes.fromhex("ffd8ffe000104a46494600010100000100010000ffd9") + b"\0" * 600


def tagged(name, version, frames):
    path = os.path.join(music, name)
    shutil.copy(base, path)
    tag = ID3()
    for f in frames:
        tag.add(f)
    tag.save(path, v2_version=version, v1=0)
    return path


cases = []

# ID3v2.3, UTF-16 everywhere, with COMM, USLT, APIC and the extended fields.
p = tagged("a_utf16_v23.mp3", 3, [
    TIT2(encoding=1, text="夜明けのスキャット"), TPE1(encoding=1, text="由紀さおり"),
    TALB(encoding=1, text="ベスト・アルバム"), TCON(encoding=1, text="(17)"),
    TRCK(encoding=1, text="3/12"), TYER(encoding=1, text="1969"),
    COMM(encoding=1, lang="jpn", desc="", text="コメント～テスト"),
    TCOM(encoding=1, text="いずみたく"), TEXT(encoding=1, text="山上路夫"),
    TPUB(encoding=1, text="東芝EMI"), TPOS(encoding=1, text="1/2"),
    USLT(encoding=1, lang="jpn", desc="", text="ルールル\nルルル"),
    TCOP(encoding=1, text="(C) 1969"), TSSE(encoding=1, text="LAME 3.100"),
    WXXX(encoding=1, desc="", url="http://example.jp/"),
    APIC(encoding=1, mime="image/jpeg", type=3, desc="表紙", data=JPEG),
])
cases.append((p, {"ColTitle": "夜明けのスキャット", "ColArtist": "由紀さおり",
                  "ColAlbum": "ベスト・アルバム", "ColGenre": "ロック", "ColTrack": "3/12",
                  "ColYear": "1969", "ColTagKind": "v2.3", "ColComment": "コメント～テスト",
                  "ColComposer": "いずみたく", "ColLyricist": "山上路夫", "ColLabel": "東芝EMI",
                  "ColDiscSet": "1/2", "ColLyrics": "ルールル\nルルル", "ColCopyright": "(C) 1969",
                  "ColEncoder": "LAME 3.100", "ColUrl": "http://example.jp/",
                  "ColPicture": "有り", "ColPictureDescription": "表紙", "ColTextCode": "Utf16 le",
                  "ColTagKindV1": "not"}))

# ID3v2.4, UTF-8, year in TDRC; an emoji beyond 16 bits survives.
p = tagged("b_utf8_v24.mp3", 4, [
    TIT2(encoding=3, text="桜坂 🌸"), TPE1(encoding=3, text="福山雅治"),
    TALB(encoding=3, text="Beyoncé"), TDRC(encoding=3, text="2000"),
    TCON(encoding=3, text="J-Pop"),
    COMM(encoding=3, lang="jpn", desc="", text="UTF-8 のコメント"),
])
cases.append((p, {"ColTitle": "桜坂 🌸", "ColArtist": "福山雅治", "ColAlbum": "Beyoncé",
                  "ColYear": "2000", "ColGenre": "J-Pop", "ColTagKind": "v2.4",
                  "ColComment": "UTF-8 のコメント", "ColTextCode": "Utf8", "ColPicture": ""}))

# ID3v2.3 with encoding 0 frames that hold raw CP932 bytes (what Japanese taggers write).
def raw(s):
    return s.encode("cp932").decode("latin-1")

p = tagged("c_sjis_v23.mp3", 3, [
    TIT2(encoding=0, text=raw("川の流れのように")), TPE1(encoding=0, text=raw("美空ひばり")),
    TALB(encoding=0, text=raw("ゴールデン☆ベスト")),
    COMM(encoding=0, lang="jpn", desc="", text=raw("～波ダッシュ～")),
])
cases.append((p, {"ColTitle": "川の流れのように", "ColArtist": "美空ひばり",
                  "ColAlbum": "ゴールデン☆ベスト", "ColComment": "～波ダッシュ～",
                  "ColTagKind": "v2.3", "ColTextCode": "Sjis"}))

# WAVE with RIFF INFO written by ffmpeg (its metadata goes into LIST/INFO as UTF-8
# bytes; plain ASCII keeps the comparison independent of that choice).
wav = os.path.join(music, "d_info.wav")
make_audio(wav, ["-c:a", "pcm_s16le", "-metadata", "title=Morning Song", "-metadata",
                 "artist=Hikari", "-metadata", "album=First Light", "-metadata", "genre=Pop",
                 "-metadata", "date=2021", "-metadata", "comment=wave comment",
                 "-metadata", "copyright=CC"])
cases.append((wav, {"ColTitle": "Morning Song", "ColArtist": "Hikari", "ColAlbum": "First Light",
                    "ColGenre": "Pop", "ColYear": "2021", "ColComment": "wave comment",
                    "ColCopyright": "CC", "ColTagKind": "riff",
                    "ColAudioFormat": "PCM 16bit 44100hz 2ch 1411kbps"}))

c = Checker()
rows = cli_json(music)
by_path = {r["ColPath"]: r for r in rows}
c.eq("row count", len(rows), len(cases))
c.eq("walk order", [r["ColPath"] for r in rows], sorted(p for p, _ in cases))
for path, want in cases:
    row = by_path.get(path)
    if row is None:
        c.failures.append(f"{path}: not listed")
        continue
    for key, value in want.items():
        c.eq(f"{os.path.basename(path)} {key}", row.get(key), value)
    if path.endswith(".mp3"):
        c.eq(f"{os.path.basename(path)} audio format", row["ColAudioFormat"],
             f"MPEG1 Layer3 44100hz {BASE_MODE}2ch 128kbps ")
        c.eq(f"{os.path.basename(path)} tag size", row["ColTagSize"],
             str(os.path.getsize(path) - os.path.getsize(base)))
    c.eq(f"{os.path.basename(path)} caption", row["No"], str(rows.index(row) + 1))
c.finish()
