#!/usr/bin/python3
"""Deterministic benchmark corpus: N MP3 files with realistic ID3v2.3 tags (UTF-16
and Shift-JIS texts), a third with a 50 KB cover picture, half with an ID3v1 block.
The audio is a short run of valid silent MPEG-1 Layer III frames.

usage: make_corpus.py DIR N"""
import os
import random
import struct
import sys

out, n = sys.argv[1], int(sys.argv[2])
stamp = os.path.join(out, f".corpus-{n}")
if os.path.exists(stamp):
    sys.exit(0)
os.makedirs(out, exist_ok=True)
rnd = random.Random(20261211)

FRAME = bytes([0xFF, 0xFB, 0x90, 0x64]) + bytes(413)  # 128 kbps, 44.1 kHz, 418 bytes
AUDIO = FRAME * 40
PICTURE = b"\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00" + \
    bytes(rnd.getrandbits(8) for _ in range(50 * 1024)) + b"\xff\xd9"

WORDS = ["夜", "空", "桜", "海", "風", "愛", "夢", "光", "雨", "星", "花", "月", "君", "僕", "道"]
ARTISTS = ["山田太郎", "鈴木花子", "スピッツ", "サザンオールスターズ", "宇多田ヒカル", "Mr.Children",
           "中島みゆき", "松任谷由実", "B'z", "いきものがかり"]


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def frame(fid, payload):
    return fid.encode() + struct.pack(">I", len(payload)) + b"\0\0" + payload


def text(fid, s, utf16):
    if utf16:
        return frame(fid, b"\x01" + b"\xff\xfe" + s.encode("utf-16-le") + b"\0\0")
    return frame(fid, b"\x00" + s.encode("cp932") + b"\0")


def v1(title, artist, album, year, track):
    def f(s, w):
        b = s.encode("cp932", "replace")[:w]
        return b + bytes(w - len(b))
    return b"TAG" + f(title, 30) + f(artist, 30) + f(album, 30) + f(year, 4) + bytes(28) + \
        bytes([0, track, 17])


per_dir = 200
for i in range(n):
    utf16 = i % 2 == 0
    title = "".join(rnd.choice(WORDS) for _ in range(rnd.randint(2, 6))) + f" {i}"
    artist = rnd.choice(ARTISTS)
    album = "".join(rnd.choice(WORDS) for _ in range(3)) + "のアルバム"
    year = str(1970 + i % 50)
    track = 1 + i % 15
    body = b"".join([
        text("TIT2", title, utf16), text("TPE1", artist, utf16), text("TALB", album, utf16),
        text("TCON", "(17)", utf16), text("TRCK", f"{track}/15", utf16), text("TYER", year, utf16),
        frame("COMM", b"\x00jpn\x00" + "コメント".encode("cp932")),
        text("TCOM", rnd.choice(ARTISTS), utf16), text("TSSE", "LAME 3.100", False),
    ])
    if i % 3 == 0:
        body += frame("APIC", b"\x00image/jpeg\x00\x03cover\x00" + PICTURE)
    body += bytes(512)  # padding
    tag = b"ID3\x03\x00\x00" + syncsafe(len(body)) + body
    data = tag + AUDIO
    if i % 2 == 1:
        data += v1(title, artist, album, year, track)
    d = os.path.join(out, f"d{i // per_dir:03d}")
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, f"{i:05d}.mp3"), "wb") as f:
        f.write(data)
open(stamp, "w").close()
