#!/usr/bin/python3
"""Prints the main tags of an MP3, MP4, FLAC, WAV or AIFF file as mutagen
reads them, in one shape for every container:

    mutagen_tags.py PATH
    {"title": "", "artist": "", "album": "", "albumArtist": "", "year": "",
     "trackNumber": "", "pictures": 0}

trackNumber is the number without its total. Exit status 0 on success.
"""

import json
import sys

import mutagen
import mutagen.flac
import mutagen.mp4

KEYS = ["title", "artist", "album", "albumArtist", "year", "trackNumber"]
ID3_FRAMES = ["TIT2", "TPE1", "TALB", "TPE2", "TDRC", "TRCK"]
VORBIS_FIELDS = ["TITLE", "ARTIST", "ALBUM", "ALBUMARTIST", "DATE", "TRACKNUMBER"]
MP4_ITEMS = ["\u00a9nam", "\u00a9ART", "\u00a9alb", "aART", "\u00a9day"]


def first(values):
    return str(values[0]) if values else ""


def summary(path):
    audio = mutagen.File(path)
    tags = audio.tags if audio is not None else None
    result = dict.fromkeys(KEYS, "")
    result["pictures"] = 0
    if tags is None:
        return result
    if isinstance(audio, mutagen.mp4.MP4):
        for key, item in zip(KEYS, MP4_ITEMS):
            result[key] = first(tags.get(item, []))
        if tags.get("trkn"):
            result["trackNumber"] = str(tags["trkn"][0][0] or "")
        result["pictures"] = len(tags.get("covr", []))
    elif isinstance(audio, mutagen.flac.FLAC):
        for key, field in zip(KEYS, VORBIS_FIELDS):
            result[key] = first(tags.get(field, []))
        result["pictures"] = len(audio.pictures)
    else:
        for key, frame in zip(KEYS, ID3_FRAMES):
            result[key] = first(tags[frame].text) if frame in tags else ""
        result["pictures"] = len(tags.getall("APIC"))
    result["trackNumber"] = result["trackNumber"].split("/")[0]
    return result


if __name__ == "__main__":
    print(json.dumps(summary(sys.argv[1])))
