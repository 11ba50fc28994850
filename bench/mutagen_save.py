#!/usr/bin/python3
"""The yardstick of bench_save: mutagen saving what Tagmint saves.

Usage:
    mutagen_save.py comment TEXT LISTFILE
    mutagen_save.py cover JPEGFILE LISTFILE

LISTFILE holds one path a line. "comment" sets the comment of each file,
"cover" makes the JPEG its only front cover. Prints the seconds the loop took
(loading, editing and saving every file; not the interpreter's start), then
the seconds with each save followed by the flush our saves make (fsync of the
file and of its folder), which mutagen leaves to the system.
"""

import os
import sys
import time

import mutagen
import mutagen.id3
from mutagen.apev2 import APEv2File
from mutagen.asf import ASF
from mutagen.flac import FLAC, Picture
from mutagen.mp4 import MP4, MP4Cover
from mutagen.ogg import OggFileType


def set_comment(audio, text):
    if isinstance(audio, (FLAC, OggFileType)):
        audio["COMMENT"] = text
    elif isinstance(audio, MP4):
        audio["\xa9cmt"] = text
    elif isinstance(audio, APEv2File):
        if audio.tags is None:
            audio.add_tags()
        audio["Comment"] = text
    elif isinstance(audio, ASF):
        audio["Description"] = text
    else:
        if audio.tags is None:
            audio.add_tags()
        audio.tags.delall("COMM")
        audio.tags.add(mutagen.id3.COMM(encoding=3, lang="eng", desc="", text=[text]))


def set_cover(audio, data):
    if isinstance(audio, FLAC):
        picture = Picture()
        picture.type = 3
        picture.mime = "image/jpeg"
        picture.data = data
        audio.clear_pictures()
        audio.add_picture(picture)
    elif isinstance(audio, MP4):
        audio["covr"] = [MP4Cover(data, MP4Cover.FORMAT_JPEG)]
    else:
        if audio.tags is None:
            audio.add_tags()
        audio.tags.delall("APIC")
        audio.tags.add(mutagen.id3.APIC(encoding=3, mime="image/jpeg", type=3, desc="", data=data))


def flush(path):
    for name, flags in ((path, os.O_RDONLY), (os.path.dirname(path) or ".", os.O_RDONLY | os.O_DIRECTORY)):
        fd = os.open(name, flags)
        try:
            os.fsync(fd)
        finally:
            os.close(fd)


def main(argv):
    mode, value, listfile = argv[1], argv[2], argv[3]
    with open(listfile, encoding="utf-8") as f:
        paths = [line.rstrip("\n") for line in f if line.strip()]
    cover = open(value, "rb").read() if mode == "cover" else None
    saving = flushing = 0.0
    for path in paths:
        start = time.perf_counter()
        audio = mutagen.File(path)
        if mode == "comment":
            set_comment(audio, value)
        else:
            set_cover(audio, cover)
        audio.save()
        saved = time.perf_counter()
        flush(path)
        saving += saved - start
        flushing += time.perf_counter() - saved
    print("%.6f %.6f" % (saving, saving + flushing))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
