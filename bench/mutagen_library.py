#!/usr/bin/python3
"""Makes the mixed library of bench_cli and reads it with mutagen, the
yardstick the command-line program is measured against.

    mutagen_library.py make FOLDER PER_KIND
        Five tagged 10-second files (CBR MP3, M4A, FLAC, WAV, AIFF; every
        field the table shows, a 300x300 JPEG cover on all but the WAV one),
        each linked PER_KIND times into FOLDER. Prints the number of files.
    mutagen_library.py read FOLDER [--audio]
        Reads every file below FOLDER with mutagen: every tag value, and with
        --audio the sample rate, bit rate, channels and length. Prints the
        number of files read.

Needs the ffmpeg command and Debian's python3-mutagen.
"""

import os
import subprocess
import sys

import mutagen
from mutagen.flac import FLAC, Picture
from mutagen.id3 import (APIC, COMM, TALB, TBPM, TCOM, TCON, TCOP, TDRC, TENC, TIT1, TIT2,
                         TKEY, TPE1, TPE2, TPOS, TRCK)
from mutagen.mp4 import MP4, MP4Cover

KINDS = [
    ("cbr.mp3", ["-c:a", "libmp3lame", "-b:a", "128k"]),
    ("tone.m4a", ["-c:a", "aac", "-b:a", "128k"]),
    ("tone.flac", ["-c:a", "flac"]),
    ("tone.wav", ["-c:a", "pcm_s16le"]),
    ("tone.aiff", ["-c:a", "pcm_s16be"]),
]

TEXTS = {
    "title": "Bench Title", "artist": "Bench Artist", "album": "Bench Album",
    "albumartist": "Bench Album Artist", "genre": "Rock", "comment": "A bench comment",
    "composer": "Bench Composer", "grouping": "Bench Grouping", "copyright": "2024 Bench",
    "encodedby": "Bench Encoder", "bpm": "120", "key": "Am", "date": "2004",
    "track": "5/12", "disc": "1/2",
}


def run(arguments):
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-nostdin"] + arguments, check=True)


def id3_frames(cover):
    frames = [TIT2(text=TEXTS["title"]), TPE1(text=TEXTS["artist"]), TALB(text=TEXTS["album"]),
              TPE2(text=TEXTS["albumartist"]), TCON(text=TEXTS["genre"]),
              COMM(lang="eng", desc="", text=TEXTS["comment"]), TCOM(text=TEXTS["composer"]),
              TIT1(text=TEXTS["grouping"]), TCOP(text=TEXTS["copyright"]),
              TENC(text=TEXTS["encodedby"]), TBPM(text=TEXTS["bpm"]), TKEY(text=TEXTS["key"]),
              TDRC(text=TEXTS["date"]), TRCK(text=TEXTS["track"]), TPOS(text=TEXTS["disc"])]
    if cover:
        frames.append(APIC(mime="image/jpeg", type=3, desc="", data=cover))
    return frames


def tag(path, cover):
    if path.endswith(".m4a"):
        audio = MP4(path)
        if audio.tags is None:
            audio.add_tags()
        t = audio.tags
        t["\xa9nam"], t["\xa9ART"], t["\xa9alb"] = TEXTS["title"], TEXTS["artist"], TEXTS["album"]
        t["aART"], t["\xa9gen"], t["\xa9cmt"] = TEXTS["albumartist"], TEXTS["genre"], TEXTS["comment"]
        t["\xa9wrt"], t["\xa9grp"], t["cprt"] = TEXTS["composer"], TEXTS["grouping"], TEXTS["copyright"]
        t["\xa9too"], t["tmpo"], t["\xa9day"] = TEXTS["encodedby"], [120], TEXTS["date"]
        t["trkn"], t["disk"] = [(5, 12)], [(1, 2)]
        t["covr"] = [MP4Cover(cover, imageformat=MP4Cover.FORMAT_JPEG)]
        audio.save()
    elif path.endswith(".flac"):
        audio = FLAC(path)
        for key, value in (("TITLE", "title"), ("ARTIST", "artist"), ("ALBUM", "album"),
                           ("ALBUMARTIST", "albumartist"), ("GENRE", "genre"),
                           ("COMMENT", "comment"), ("COMPOSER", "composer"),
                           ("GROUPING", "grouping"), ("COPYRIGHT", "copyright"),
                           ("ENCODEDBY", "encodedby"), ("BPM", "bpm"), ("INITIALKEY", "key"),
                           ("DATE", "date"), ("TRACKNUMBER", "track"), ("DISCNUMBER", "disc")):
            audio[key] = TEXTS[value]
        picture = Picture()
        picture.type, picture.mime, picture.data = 3, "image/jpeg", cover
        picture.width, picture.height, picture.depth = 300, 300, 24
        audio.add_picture(picture)
        audio.save()
    else:
        audio = mutagen.File(path)
        if audio.tags is None:
            audio.add_tags()
        for frame in id3_frames(None if path.endswith(".wav") else cover):
            audio.tags.add(frame)
        audio.save()


def make(folder, per_kind):
    os.makedirs(folder, exist_ok=True)
    sources = os.path.join(folder, ".sources")
    os.makedirs(sources, exist_ok=True)
    cover_path = os.path.join(sources, "cover.jpg")
    run(["-f", "lavfi", "-i", "testsrc=size=300x300", "-frames:v", "1", cover_path])
    with open(cover_path, "rb") as handle:
        cover = handle.read()
    count = 0
    for name, encode in KINDS:
        source = os.path.join(sources, name)
        run(["-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=10",
             "-ac", "2", "-map_metadata", "-1"] + encode + [source])
        tag(source, cover)
        for index in range(per_kind):
            os.link(source, os.path.join(folder, "%04d-%s" % (index, name)))
            count += 1
    print(count)


def read(folder, audio):
    count = 0
    checksum = 0
    for root, dirs, files in os.walk(folder):
        dirs[:] = [d for d in dirs if not d.startswith(".")]
        for name in files:
            if name.startswith("."):
                continue
            handle = mutagen.File(os.path.join(root, name))
            if handle is None:
                continue
            count += 1
            if handle.tags is not None:
                for key in handle.tags.keys():
                    checksum += len(str(handle.tags[key]))
            if audio:
                info = handle.info
                checksum += int(info.length * 1000) + info.bitrate + info.sample_rate + info.channels
    print(count, checksum)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "make":
        make(sys.argv[2], int(sys.argv[3]))
    elif len(sys.argv) in (3, 4) and sys.argv[1] == "read":
        read(sys.argv[2], sys.argv[3:] == ["--audio"])
    else:
        sys.exit(__doc__)
