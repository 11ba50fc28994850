"""FLAC and MP4 support of mutagen_tool.py: Vorbis comments, FLAC metadata
blocks and pictures; MP4 items and covers.

FLAC files (.flac, .fla): read adds to the ID3 result of mutagen_tool.py
(an ID3v2 tag ahead of the stream, an ID3v1 tag at the end):
    {
      "format": "flac",
      "vorbis": {"TITLE": ["x"], ...},  # keys upper case, values in file
                                        # order; null without a comment block
      "pictures": [{"mime": "image/jpeg", "type": 3, "desc": "",
                    "width": 16, "height": 16, "depth": 24,
                    "size": 207, "md5": "..."}],
      "blocks": [{"type": "STREAMINFO", "size": 34, "md5": "..."}, ...]
                                        # every metadata block in order:
                                        # STREAMINFO, PADDING, APPLICATION,
                                        # SEEKTABLE, VORBIS_COMMENT, CUESHEET,
                                        # PICTURE or the block's number
    }
write takes, every member optional:
    {
      "noVorbis": false,                # remove the comment block
      "clearVorbis": false,             # start from an empty comment
      "vorbis": {"TITLE": "x", "ARTIST": ["a", "b"], "ALBUM": ""},
                                        # replace fields; "" removes one
      "clearFlacPictures": false,
      "flacPictures": [{"file": "/p/c.jpg", "mime": "image/jpeg", "type": 3,
                        "desc": "", "width": 16, "height": 16}],  # appended;
                                        # "base64" instead of "file"
      "seekTable": [[0, 0, 576]],       # replaces the seek table: points of
                                        # first sample, byte offset, samples
      "application": [{"id": "TMNT", "text": "..."}],   # blocks appended
      "id3": {...}                      # afterwards, the ID3 edits of
                                        # mutagen_tool.py on the same file
    }
    The file is saved without padding.

MP4 files (.m4a, .mp4, .mov, .3gp, .3g2): read prints
    {
      "format": "mp4",
      "items": {"\u00a9nam": ["x"], "trkn": [[5, 12]], "tmpo": [120],
                "----:com.apple.iTunes:initialkey": ["Am"], ...},
      "covers": [{"format": 13, "size": 207, "md5": "..."}]   # "covr" in order
    }
write takes:
    {
      "clear": false,                   # start from an empty item list
      "items": {"\u00a9nam": "x", "aART": "", "trkn": [[5, 12]],
                "tmpo": [120], "----:com.apple.iTunes:initialkey": "Am"},
                                        # replace items; "" or [] removes
      "covers": [{"file": "/p/c.jpg", "format": 13}]
                                        # replaces "covr"; [] removes it
    }
"""

import base64
import hashlib
import os

import mutagen.flac
import mutagen.mp4

FLAC_EXTENSIONS = (".flac", ".fla")
MP4_EXTENSIONS = (".m4a", ".mp4", ".mov", ".3gp", ".3g2")

BLOCK_NAMES = {0: "STREAMINFO", 1: "PADDING", 2: "APPLICATION", 3: "SEEKTABLE",
               4: "VORBIS_COMMENT", 5: "CUESHEET", 6: "PICTURE"}
APPLICATION = 2


def extension(path):
    return os.path.splitext(path)[1].lower()


def is_flac(path):
    return extension(path) in FLAC_EXTENSIONS


def is_mp4(path):
    return extension(path) in MP4_EXTENSIONS


def md5(data):
    return hashlib.md5(data).hexdigest()


def entry_bytes(entry):
    if "file" in entry:
        with open(entry["file"], "rb") as f:
            return f.read()
    if "text" in entry:
        return entry["text"].encode("utf-8")
    return base64.b64decode(entry.get("base64", ""))


# ---- FLAC ----

def read_flac(path):
    audio = mutagen.flac.FLAC(path)
    vorbis = None
    if audio.tags is not None:
        vorbis = {}
        for key, value in audio.tags:
            vorbis.setdefault(key.upper(), []).append(value)
    pictures = [{"mime": p.mime, "type": int(p.type), "desc": p.desc, "width": p.width,
                 "height": p.height, "depth": p.depth, "size": len(p.data), "md5": md5(p.data)}
                for p in audio.pictures]
    blocks = []
    for block in audio.metadata_blocks:
        data = block.write()
        blocks.append({"type": BLOCK_NAMES.get(block.code, block.code), "size": len(data),
                       "md5": md5(data)})
    return {"format": "flac", "vorbis": vorbis, "pictures": pictures, "blocks": blocks}


def write_flac(path, edits):
    audio = mutagen.flac.FLAC(path)
    if edits.get("noVorbis"):
        audio.metadata_blocks = [b for b in audio.metadata_blocks
                                 if b is not audio.tags and b.code != 4]
        audio.tags = None
    elif "vorbis" in edits or edits.get("clearVorbis"):
        if audio.tags is None:
            audio.add_tags()
        if edits.get("clearVorbis"):
            audio.tags.clear()
        for key, value in edits.get("vorbis", {}).items():
            values = value if isinstance(value, list) else [value]
            values = [v for v in values if v != ""]
            if key in audio.tags:
                del audio.tags[key]
            if values:
                audio.tags[key] = values

    if edits.get("clearFlacPictures"):
        audio.clear_pictures()
    for entry in edits.get("flacPictures", []):
        picture = mutagen.flac.Picture()
        picture.data = entry_bytes(entry)
        picture.mime = entry.get("mime", "image/jpeg")
        picture.type = int(entry.get("type", 3))
        picture.desc = entry.get("desc", "")
        picture.width = int(entry.get("width", 0))
        picture.height = int(entry.get("height", 0))
        picture.depth = int(entry.get("depth", 24))
        audio.add_picture(picture)

    if "seekTable" in edits:
        audio.metadata_blocks = [b for b in audio.metadata_blocks if b.code != 3]
        audio.seektable = None
        if edits["seekTable"]:
            table = mutagen.flac.SeekTable(None)
            table.seekpoints = [mutagen.flac.SeekPoint(*point) for point in edits["seekTable"]]
            audio.metadata_blocks.insert(1, table)
            audio.seektable = table
    for entry in edits.get("application", []):
        block = mutagen.flac.MetadataBlock(entry["id"].encode("latin-1") + entry_bytes(entry))
        block.code = APPLICATION
        audio.metadata_blocks.append(block)

    audio.save(padding=lambda info: 0)


# ---- MP4 ----

def item_json(value):
    if isinstance(value, mutagen.mp4.MP4FreeForm):
        return bytes(value).decode("utf-8", "replace")
    if isinstance(value, tuple):
        return list(value)
    if isinstance(value, (bool, int, str)):
        return value
    return str(value)


def read_mp4(path):
    audio = mutagen.mp4.MP4(path)
    items = {}
    covers = []
    for key, values in (audio.tags or {}).items():
        if key == "covr":
            covers = [{"format": int(c.imageformat), "size": len(c), "md5": md5(bytes(c))}
                      for c in values]
            continue
        items[key] = [item_json(v) for v in values]
    return {"format": "mp4", "items": items, "covers": covers}


def mp4_values(key, value):
    values = value if isinstance(value, list) else [value]
    values = [v for v in values if v != ""]
    if key in ("trkn", "disk"):
        return [tuple(v) for v in values]
    if key == "tmpo":
        return [int(v) for v in values]
    if key.startswith("----:"):
        return [mutagen.mp4.MP4FreeForm(v.encode("utf-8"), mutagen.mp4.AtomDataType.UTF8)
                for v in values]
    return values


def write_mp4(path, edits):
    audio = mutagen.mp4.MP4(path)
    if audio.tags is None:
        audio.add_tags()
    if edits.get("clear"):
        audio.tags.clear()
    for key, value in edits.get("items", {}).items():
        values = mp4_values(key, value)
        if key in audio.tags:
            del audio.tags[key]
        if values:
            audio.tags[key] = values
    if "covers" in edits:
        if "covr" in audio.tags:
            del audio.tags["covr"]
        covers = [mutagen.mp4.MP4Cover(entry_bytes(c), int(c.get("format", 13)))
                  for c in edits["covers"]]
        if covers:
            audio.tags["covr"] = covers
    audio.save()
