#!/usr/bin/python3
"""Reads and writes ID3 tags of MP3, AIFF and WAV files with mutagen, so tests
can check Tagmint against a reader and writer that shares no code with it.

Usage:
    mutagen_tool.py read PATH
    mutagen_tool.py write PATH JSON

read prints one JSON object:
    {
      "hasID3v2": true,
      "id3v2Version": "2.4",            # "2.3", "2.4", or null without a tag
      "frames": {                       # raw frames, not upgraded to 2.4
        "TIT2": ["Title"],              # text frames: their list of values
        "TRCK": ["5/12"],
        "COMM": [{"lang": "eng", "desc": "", "text": "..."}],
        "APIC": [{"mime": "image/jpeg", "type": 3, "desc": "",
                  "size": 812, "md5": "..."}],
        "TXXX": [{"desc": "...", "text": "..."}],
        "XXXX": ["<mutagen's text of any other frame>"]
      },
      "id3v1": {"title": "", "artist": "", "album": "", "year": "",
                "comment": "", "track": 9, "genre": 17},  # or null
      "ape": {"REPLAYGAIN_TRACK_GAIN": "-6.5 dB",          # MP3 only; null
              "Cover Art (Front)": {"size": 10, "md5": "..."}}
    }
    Frames of one id appear in file order. "track" is null for ID3v1.0.
    ID3v1 is parsed from the file's last 128 bytes, never merged into
    "frames". AIFF files (.aif, .aiff, .aifc) and WAV files (.wav, ID3 in
    their "id3 " chunk) have no ID3v1: it is null.

write applies a JSON object of edits, every member optional:
    {
      "version": 4,                     # ID3v2 version to save: 3 or 4
      "clear": false,                   # start from an empty ID3v2 tag
      "remove": ["COMM"],               # drop every frame with these ids
      "text": {"TIT2": "x", "TPE1": ["a", "b"], "TALB": ""},
                                        # set text frames; "" removes one;
                                        # TCON is stored exactly as given
      "comments": [{"lang": "eng", "desc": "", "text": "x"}],   # appended
      "pictures": [{"file": "/p/cover.jpg", "mime": "image/jpeg",
                    "type": 3, "desc": ""}],                    # appended;
                                        # "base64" instead of "file" gives
                                        # the bytes directly
      "id3v1": {"title": "...", "artist": "...", "album": "...",
                "year": "2001", "comment": "...", "track": 9, "genre": 17},
                                        # replaces the ID3v1 tag; null
                                        # removes it; absent keeps it as is
      "noID3v2": false,                 # remove the ID3v2 tag entirely
                                        # (other ID3v2 edits are ignored)
      "ape": {"KEY": "text"}            # MP3: items added to an APEv2 tag;
                                        # {"base64": ...} gives a binary one
    }
FLAC and MP4 files: see mutagen_flac_mp4.py for what read adds and write
takes; the ID3 edits of a FLAC file go under "id3". Ogg, WavPack, Monkey's
Audio, Musepack and ASF files: see mutagen_more_formats.py. TrueAudio files
(.tta) carry ID3 tags, read and written as for MP3 files.

Exit status 0 on success; errors go to stderr.
"""

import base64
import hashlib
import json
import os
import sys

import mutagen.aiff
import mutagen.apev2
import mutagen.id3
import mutagen.wave
from mutagen.id3 import ID3, ID3NoHeaderError

import mutagen_flac_mp4 as flac_mp4
import mutagen_more_formats as more_formats

ID3V1_SIZE = 128


# Containers that keep their ID3 tag in a chunk of their own.
CHUNK_CONTAINERS = {
    ".aif": mutagen.aiff.AIFF,
    ".aiff": mutagen.aiff.AIFF,
    ".aifc": mutagen.aiff.AIFF,
    ".wav": mutagen.wave.WAVE,
}


def chunk_container(path):
    return CHUNK_CONTAINERS.get(os.path.splitext(path)[1].lower())


# ---- ID3v1, handled by hand so it never mixes with the ID3v2 frames ----

def read_id3v1_block(path):
    with open(path, "rb") as f:
        f.seek(0, os.SEEK_END)
        if f.tell() < ID3V1_SIZE:
            return None
        f.seek(-ID3V1_SIZE, os.SEEK_END)
        block = f.read(ID3V1_SIZE)
    return block if block[:3] == b"TAG" else None


def v1_text(raw):
    return raw.split(b"\0", 1)[0].decode("latin-1").rstrip(" ")


def parse_id3v1(block):
    if block is None:
        return None
    comment = block[97:127]
    track = None
    if comment[28] == 0 and comment[29] != 0:
        track = comment[29]
        comment = comment[:28]
    return {
        "title": v1_text(block[3:33]),
        "artist": v1_text(block[33:63]),
        "album": v1_text(block[63:93]),
        "year": v1_text(block[93:97]),
        "comment": v1_text(comment),
        "track": track,
        "genre": block[127],
    }


def v1_field(text, size):
    return str(text or "").encode("latin-1", "replace")[:size].ljust(size, b"\0")


def render_id3v1(fields):
    track = int(fields.get("track") or 0)
    block = b"TAG"
    block += v1_field(fields.get("title"), 30)
    block += v1_field(fields.get("artist"), 30)
    block += v1_field(fields.get("album"), 30)
    block += v1_field(fields.get("year"), 4)
    if track:
        block += v1_field(fields.get("comment"), 28) + b"\0" + bytes([track & 0xFF])
    else:
        block += v1_field(fields.get("comment"), 30)
    block += bytes([int(fields.get("genre", 255)) & 0xFF])
    return block


def replace_id3v1(path, block):
    if read_id3v1_block(path) is not None:
        with open(path, "r+b") as f:
            f.seek(-ID3V1_SIZE, os.SEEK_END)
            f.truncate()
    if block is not None:
        with open(path, "ab") as f:
            f.write(block)


# ---- ID3v2 ----

def load_tags(path):
    """The file's ID3v2 tag as mutagen reads it, or None."""
    container = chunk_container(path)
    if container is not None:
        return container(path).tags
    try:
        return ID3(path, translate=False, load_v1=False)
    except ID3NoHeaderError:
        return None


def frame_json(frame):
    fid = frame.FrameID
    if fid == "COMM":
        return {"lang": frame.lang, "desc": frame.desc, "text": "\u0000".join(frame.text)}
    if fid == "APIC":
        return {"mime": frame.mime, "type": int(frame.type), "desc": frame.desc,
                "size": len(frame.data), "md5": hashlib.md5(frame.data).hexdigest()}
    if fid == "TXXX":
        return {"desc": frame.desc, "text": "\u0000".join(frame.text)}
    if isinstance(frame, mutagen.id3.TextFrame):
        return [str(t) for t in frame.text]
    return str(frame)


def read(path):
    if more_formats.handles(path):
        result = more_formats.read(path)
    elif flac_mp4.is_mp4(path):
        result = flac_mp4.read_mp4(path)
    else:
        result = read_id3(path)
        if flac_mp4.is_flac(path):
            result.update(flac_mp4.read_flac(path))
    json.dump(result, sys.stdout, ensure_ascii=False, sort_keys=True)
    sys.stdout.write("\n")


def read_id3(path):
    tags = load_tags(path)
    frames = {}
    if tags is not None:
        for frame in tags.values():
            value = frame_json(frame)
            entry = frames.setdefault(frame.FrameID, [])
            if isinstance(value, list):
                entry.extend(value)
            else:
                entry.append(value)
    result = {
        "hasID3v2": tags is not None,
        "id3v2Version": "2.%d" % tags.version[1] if tags is not None else None,
        "frames": frames,
        "id3v1": None if chunk_container(path) else parse_id3v1(read_id3v1_block(path)),
    }
    if not chunk_container(path) and not flac_mp4.is_flac(path):
        result["ape"] = read_ape(path)
    return result


def read_ape(path):
    try:
        tag = mutagen.apev2.APEv2(path)
    except mutagen.apev2.APENoHeaderError:
        return None
    items = {}
    for key, value in tag.items():
        if isinstance(value, mutagen.apev2.APEBinaryValue):
            items[key] = {"size": len(value.value), "md5": hashlib.md5(value.value).hexdigest()}
        else:
            items[key] = str(value)
    return items


def write_ape(path, items):
    try:
        tag = mutagen.apev2.APEv2(path)
    except mutagen.apev2.APENoHeaderError:
        tag = mutagen.apev2.APEv2()
    for key, value in items.items():
        if isinstance(value, dict):
            tag[key] = mutagen.apev2.APEValue(base64.b64decode(value["base64"]), mutagen.apev2.BINARY)
        else:
            tag[key] = value
    tag.save(path)


def picture_bytes(spec):
    if "file" in spec:
        with open(spec["file"], "rb") as f:
            return f.read()
    return base64.b64decode(spec["base64"])


def apply_frame_edits(tags, edits, version):
    if edits.get("clear"):
        tags.clear()
    for fid in edits.get("remove", []):
        tags.delall(fid)
    for fid, value in edits.get("text", {}).items():
        values = value if isinstance(value, list) else [value]
        values = [v for v in values if v != ""]
        tags.delall(fid)
        if values:
            tags.add(getattr(mutagen.id3, fid)(encoding=3, text=values))
    for c in edits.get("comments", []):
        tags.add(mutagen.id3.COMM(encoding=3, lang=c.get("lang", "eng"),
                                  desc=c.get("desc", ""), text=[c.get("text", "")]))
    for p in edits.get("pictures", []):
        tags.add(mutagen.id3.APIC(encoding=3, mime=p.get("mime", "image/jpeg"),
                                  type=int(p.get("type", 3)), desc=p.get("desc", ""),
                                  data=picture_bytes(p)))
    # mutagen renders frames as they are; converting them is the caller's job.
    if version == 3:
        tags.update_to_v23()
    else:
        tags.update_to_v24()
    # The conversion also turns numeric genres into names; tests need them raw.
    genre = edits.get("text", {}).get("TCON")
    if genre:
        tags.setall("TCON", [mutagen.id3.TCON(encoding=3, text=genre)])


def write(path, edits):
    if more_formats.handles(path):
        more_formats.write(path, edits)
        return
    if flac_mp4.is_mp4(path):
        flac_mp4.write_mp4(path, edits)
        return
    if flac_mp4.is_flac(path):
        flac_mp4.write_flac(path, edits)
        if "id3" not in edits:
            return
        edits = edits["id3"]
    version = int(edits.get("version", 4))
    if version not in (3, 4):
        raise ValueError("version must be 3 or 4")

    container = chunk_container(path)
    if container is not None:
        audio = container(path)
        if edits.get("noID3v2"):
            if audio.tags is not None:
                audio.delete()
            return
        if audio.tags is None:
            audio.add_tags()
        apply_frame_edits(audio.tags, edits, version)
        audio.save(v2_version=version)
        return

    # mutagen would rewrite ID3v1 from the ID3v2 frames; keep it out of its
    # hands and put back exactly what the edits ask for.
    old_v1 = read_id3v1_block(path)
    if edits.get("noID3v2"):
        mutagen.id3.delete(path, delete_v1=False, delete_v2=True)
    else:
        tags = load_tags(path)
        if tags is None:
            tags = ID3()
        apply_frame_edits(tags, edits, version)
        tags.save(path, v1=0, v2_version=version)
    if "id3v1" in edits:
        new_v1 = edits["id3v1"]
        replace_id3v1(path, None if new_v1 is None else render_id3v1(new_v1))
    else:
        replace_id3v1(path, old_v1)
    if "ape" in edits:
        write_ape(path, edits["ape"])


def main(argv):
    if len(argv) == 3 and argv[1] == "read":
        read(argv[2])
    elif len(argv) == 4 and argv[1] == "write":
        write(argv[2], json.loads(argv[3]))
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
