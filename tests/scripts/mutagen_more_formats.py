"""Ogg, APEv2 and ASF support of mutagen_tool.py.

Ogg files (.ogg, .oga, .opus, .spx: Vorbis, FLAC, Opus or Speex): read prints
    {
      "format": "ogg",
      "codec": "OggVorbis",             # mutagen's class name
      "xiph": {"TITLE": ["x"], ...},    # keys upper case, values in order
      "pictures": [{"mime": "image/jpeg", "type": 3, "desc": "",
                    "width": 16, "height": 16, "size": 207, "md5": "..."}]
                                        # METADATA_BLOCK_PICTURE fields
    }
write takes, every member optional:
    {
      "clearXiph": false,               # start from an empty comment
      "xiph": {"TITLE": "x", "ARTIST": ["a", "b"], "ALBUM": ""},
                                        # replace fields; "" removes one
      "pictures": [{"file": "/p/c.jpg", "mime": "image/jpeg", "type": 3,
                    "desc": "", "width": 16, "height": 16}]
                                        # replace the pictures; [] removes
    }

WavPack, Monkey's Audio and Musepack files (.wv, .ape, .mpc): read prints
    {"format": "ape", "ape": {"Title": ["x"], "Cover Art (Front)":
                              {"name": "cover.jpg", "size": 207, "md5": "..."}}}
                                        # null without an APE tag
write takes {"ape": {"Title": "x", "Album": "", "Cover Art (Front)":
                     {"file": "/p/c.jpg"}}}    # "" removes an item

ASF files (.wma, .asf): read prints
    {"format": "asf",
     "asf": {"Title": ["x"], "WM/TrackNumber": ["5"], ...},   # text of each
     "pictures": [{"mime": "image/jpeg", "type": 3, "desc": "",
                   "size": 207, "md5": "..."}]}               # "WM/Picture"
write takes {"asf": {"WM/AlbumTitle": "x", "WM/Year": "",     # "" removes
                     "WM/TrackNumber": {"dword": 5}},      # a DWORD
             "pictures": [{"file": ..., "mime": ..., "type": 3, "desc": ""}]}
                                        # replaces "WM/Picture"; [] removes
"""

import base64
import os
import struct

import mutagen
import mutagen.apev2
import mutagen.asf
import mutagen.flac

from mutagen_flac_mp4 import entry_bytes, md5

OGG_EXTENSIONS = (".ogg", ".oga", ".opus", ".spx")
APE_EXTENSIONS = (".wv", ".ape", ".mpc")
ASF_EXTENSIONS = (".wma", ".asf")


def extension(path):
    return os.path.splitext(path)[1].lower()


def handles(path):
    return extension(path) in OGG_EXTENSIONS + APE_EXTENSIONS + ASF_EXTENSIONS


def read(path):
    ext = extension(path)
    if ext in OGG_EXTENSIONS:
        return read_ogg(path)
    if ext in APE_EXTENSIONS:
        return read_ape(path)
    return read_asf(path)


def write(path, edits):
    ext = extension(path)
    if ext in OGG_EXTENSIONS:
        write_ogg(path, edits)
    elif ext in APE_EXTENSIONS:
        write_ape(path, edits)
    else:
        write_asf(path, edits)


# ---- Ogg ----

def read_ogg(path):
    audio = mutagen.File(path)
    xiph = {}
    pictures = []
    for key, value in audio.tags:
        if key.upper() == "METADATA_BLOCK_PICTURE":
            p = mutagen.flac.Picture(base64.b64decode(value))
            pictures.append({"mime": p.mime, "type": int(p.type), "desc": p.desc, "width": p.width,
                             "height": p.height, "size": len(p.data), "md5": md5(p.data)})
        else:
            xiph.setdefault(key.upper(), []).append(value)
    return {"format": "ogg", "codec": type(audio).__name__, "xiph": xiph, "pictures": pictures}


def write_ogg(path, edits):
    audio = mutagen.File(path)
    tags = audio.tags
    if edits.get("clearXiph"):
        tags.clear()
    for key, value in edits.get("xiph", {}).items():
        if value == "" or value == []:
            if key in tags:
                del tags[key]
        else:
            tags[key] = value if isinstance(value, list) else [value]
    if "pictures" in edits:
        encoded = []
        for entry in edits["pictures"]:
            picture = mutagen.flac.Picture()
            picture.data = entry_bytes(entry)
            picture.mime = entry.get("mime", "image/jpeg")
            picture.type = entry.get("type", 3)
            picture.desc = entry.get("desc", "")
            picture.width = entry.get("width", 0)
            picture.height = entry.get("height", 0)
            picture.depth = 24
            encoded.append(base64.b64encode(picture.write()).decode("ascii"))
        if "metadata_block_picture" in tags:
            del tags["metadata_block_picture"]
        if encoded:
            tags["METADATA_BLOCK_PICTURE"] = encoded
    audio.save()


# ---- APEv2 ----

def read_ape(path):
    try:
        tag = mutagen.apev2.APEv2(path)
    except mutagen.apev2.APENoHeaderError:
        return {"format": "ape", "ape": None}
    items = {}
    for key, value in tag.items():
        if isinstance(value, mutagen.apev2.APEBinaryValue):
            name, _, data = value.value.partition(b"\0")
            items[key] = {"name": name.decode("utf-8", "replace"), "size": len(data), "md5": md5(data)}
        else:
            items[key] = list(value)
    return {"format": "ape", "ape": items}


def write_ape(path, edits):
    try:
        tag = mutagen.apev2.APEv2(path)
    except mutagen.apev2.APENoHeaderError:
        tag = mutagen.apev2.APEv2()
    for key, value in edits.get("ape", {}).items():
        if value == "":
            if key in tag:
                del tag[key]
        elif isinstance(value, dict):
            name = os.path.basename(value.get("file", "cover.jpg")).encode("utf-8")
            tag[key] = mutagen.apev2.APEValue(name + b"\0" + entry_bytes(value), mutagen.apev2.BINARY)
        else:
            tag[key] = value
    tag.save(path)


# ---- ASF ----

def asf_picture(entry):
    """The value of a "WM/Picture" attribute: type, size, MIME type and
    description (UTF-16LE, zero-terminated), then the bytes."""
    data = entry_bytes(entry)
    text = lambda s: (s + "\0").encode("utf-16-le")
    value = struct.pack("<BI", entry.get("type", 3), len(data))
    value += text(entry.get("mime", "image/jpeg")) + text(entry.get("desc", "")) + data
    return mutagen.asf.ASFByteArrayAttribute(value)


def parse_asf_picture(value):
    kind, size = struct.unpack_from("<BI", value, 0)
    offset = 5
    strings = []
    for _ in range(2):
        end = offset
        while value[end:end + 2] != b"\0\0":
            end += 2
        strings.append(value[offset:end].decode("utf-16-le"))
        offset = end + 2
    data = value[offset:offset + size]
    return {"mime": strings[0], "type": kind, "desc": strings[1], "size": len(data), "md5": md5(data)}


def read_asf(path):
    audio = mutagen.asf.ASF(path)
    items = {}
    pictures = []
    for key, values in audio.tags.items():
        for value in values:
            if key == "WM/Picture":
                pictures.append(parse_asf_picture(value.value))
            else:
                items.setdefault(key, []).append(str(value))
    return {"format": "asf", "asf": items, "pictures": pictures}


def write_asf(path, edits):
    audio = mutagen.asf.ASF(path)
    for key, value in edits.get("asf", {}).items():
        if value == "":
            if key in audio.tags:
                del audio.tags[key]
        elif isinstance(value, dict):
            audio.tags[key] = [mutagen.asf.ASFDWordAttribute(value["dword"])]
        else:
            audio.tags[key] = value if isinstance(value, list) else [value]
    if "pictures" in edits:
        if "WM/Picture" in audio.tags:
            del audio.tags["WM/Picture"]
        if edits["pictures"]:
            audio.tags["WM/Picture"] = [asf_picture(entry) for entry in edits["pictures"]]
    audio.save()
