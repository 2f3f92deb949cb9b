#!/usr/bin/python3
"""Makes a small demo library of Japanese-tagged files for scripts/run: MP3 with
ID3v2.3 UTF-16, ID3v2.4 UTF-8, ID3v2.3 Shift-JIS, ID3v1 only, one with a cover,
and a WAVE with RIFF INFO. Audio is short valid silence made by ffmpeg."""
import os
import shutil
import struct
import subprocess
import sys

from mutagen.id3 import APIC, COMM, ID3, TALB, TCON, TIT2, TPE1, TRCK, TYER, TDRC

out = sys.argv[1]
if os.path.isdir(out) and os.listdir(out):
    sys.exit(0)
os.makedirs(out, exist_ok=True)
silence = os.path.join(out, ".silence.mp3")
subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "anullsrc=r=44100:cl=stereo",
                "-t", "2", "-c:a", "libmp3lame", "-b:a", "128k", "-id3v2_version", "0", silence],
               check=True)


def raw(s):
    return s.encode("cp932").decode("latin-1")


def mp3(folder, name, version, frames, v1=None):
    os.makedirs(os.path.join(out, folder), exist_ok=True)
    path = os.path.join(out, folder, name)
    shutil.copy(silence, path)
    if frames:
        tag = ID3()
        for f in frames:
            tag.add(f)
        tag.save(path, v2_version=version, v1=0)
    if v1:
        title, artist, album, year, track, genre = v1
        block = b"TAG" + title.encode("cp932").ljust(30, b"\0")[:30] + \
            artist.encode("cp932").ljust(30, b"\0")[:30] + album.encode("cp932").ljust(30, b"\0")[:30] + \
            year.encode().ljust(4, b"\0") + b"\0" * 28 + bytes([0, track, genre])
        with open(path, "ab") as f:
            f.write(block)


mp3("J-POP", "01 桜.mp3", 3, [TIT2(encoding=1, text="桜"), TPE1(encoding=1, text="森山直太朗"),
                              TALB(encoding=1, text="新しい歌"), TCON(encoding=1, text="(13)"),
                              TRCK(encoding=1, text="1"), TYER(encoding=1, text="2003")],
    v1=("ｻｸﾗ", "ﾓﾘﾔﾏ", "ｱﾀﾗｼｲｳﾀ", "2003", 1, 13))
mp3("J-POP", "02 春.mp3", 4, [TIT2(encoding=3, text="春の歌 🌸"), TPE1(encoding=3, text="スピッツ"),
                              TALB(encoding=3, text="スーベニア"), TDRC(encoding=3, text="2005"),
                              TRCK(encoding=3, text="2")])
mp3("演歌", "川の流れのように.mp3", 3, [TIT2(encoding=0, text=raw("川の流れのように")),
                                      TPE1(encoding=0, text=raw("美空ひばり")),
                                      TALB(encoding=0, text=raw("不死鳥")),
                                      COMM(encoding=0, lang="jpn", desc="", text=raw("～名曲～"))])
mp3("演歌", "v1だけ.mp3", 3, [], v1=("ﾖｻｸ", "ｷﾀｼﾞﾏ ｻﾌﾞﾛｳ", "ｴﾝｶ", "1978", 5, 12))
jpeg = bytes.fromhex("ffd8ffe000104a46494600010100000100010000ffd9")
mp3("クラシック", "月光.mp3", 3, [TIT2(encoding=1, text="月の光"), TPE1(encoding=1, text="ドビュッシー"),
                               TALB(encoding=1, text="ベルガマスク組曲"), TCON(encoding=1, text="(32)"),
                               APIC(encoding=1, mime="image/jpeg", type=3, desc="表紙", data=jpeg + b"\0" * 800)])

# WAVE with a LIST/INFO chunk of Shift-JIS texts.
wav = os.path.join(out, "クラシック", "朝.wav")
subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "anullsrc=r=44100:cl=stereo",
                "-t", "1", "-c:a", "pcm_s16le", "-fflags", "+bitexact", "-map_metadata", "-1", wav], check=True)
with open(wav, "rb") as f:
    data = f.read()
info = b"INFO"
for cid, text in ((b"INAM", "朝"), (b"IART", "グリーグ"), (b"IPRD", "ペール・ギュント"), (b"ICRD", "1875")):
    t = text.encode("cp932") + b"\0"
    info += cid + struct.pack("<I", len(t)) + t + (b"\0" if len(t) % 2 else b"")
data += b"LIST" + struct.pack("<I", len(info)) + info
data = data[:4] + struct.pack("<I", len(data) - 8) + data[8:]
with open(wav, "wb") as f:
    f.write(data)
os.remove(silence)
print(out)
