#!/bin/sh
# Regenerates the Ogg, WavPack, TrueAudio and WMA fixtures of this folder:
# a few KB each, 0.3 s of a sine. ffmpeg makes the audio (libvorbis, libopus,
# FLAC in Ogg, libspeex, wavpack, tta, wmav2); mutagen (through
# /usr/bin/python3) writes the tags and pictures, so the fixtures never
# depend on the code under test. The APEv2 tag on the WavPack file stands in
# for Monkey's Audio and Musepack, which ffmpeg cannot encode.
#
# Needs: Debian's ffmpeg and python3-mutagen, and cover.jpg from
# make_fixtures.sh.
set -eu

cd "$(dirname "$0")"
PYTHON=/usr/bin/python3
TOOL=../scripts/mutagen_tool.py

FFMPEG="ffmpeg -v error -y -nostdin"
BITEXACT="-map_metadata -1 -fflags +bitexact -flags +bitexact"

sine() {
    echo "sine=frequency=440:sample_rate=$1:duration=0.3"
}

tag() {
    $PYTHON "$TOOL" write "$1" "$2"
}

$FFMPEG -f lavfi -i "$(sine 8000)" -ac 1 -c:a libvorbis $BITEXACT tagged.ogg
$FFMPEG -f lavfi -i "$(sine 48000)" -ac 1 -c:a libopus -b:a 16k $BITEXACT tagged.opus
$FFMPEG -f lavfi -i "$(sine 8000)" -ac 1 -c:a flac -f ogg $BITEXACT tagged.oga
$FFMPEG -f lavfi -i "$(sine 8000)" -ac 1 -c:a libspeex $BITEXACT tagged.spx
$FFMPEG -f lavfi -i "$(sine 8000)" -ac 1 -c:a wavpack $BITEXACT tagged.wv
$FFMPEG -f lavfi -i "$(sine 8000)" -ac 1 -c:a tta $BITEXACT tagged.tta
$FFMPEG -f lavfi -i "$(sine 8000)" -ac 1 -c:a wmav2 -b:a 32k $BITEXACT tagged.wma

# The same fields in each family's own names.
for file in tagged.ogg tagged.opus tagged.oga tagged.spx; do
    tag "$file" '{
      "clearXiph": true,
      "xiph": {
        "TITLE": "Ogg Title", "ARTIST": "Ogg Artist", "ALBUM": "Ogg Album",
        "ALBUMARTIST": "Ogg Album Artist", "DATE": "2004", "TRACKNUMBER": "5/12",
        "DISCNUMBER": "1/2", "GENRE": "Rock", "COMMENT": "Ogg comment",
        "COMPOSER": "Ogg Composer", "GROUPING": "Ogg Grouping",
        "COPYRIGHT": "2004 Ogg Label", "ENCODEDBY": "Ogg Encoder", "BPM": "120",
        "INITIALKEY": "Am"
      },
      "pictures": [{"file": "cover.jpg", "mime": "image/jpeg", "type": 3,
                    "desc": "front", "width": 16, "height": 16}]
    }'
done

tag tagged.wv '{
  "ape": {
    "Title": "Ape Title", "Artist": "Ape Artist", "Album": "Ape Album",
    "Album Artist": "Ape Album Artist", "Year": "2004", "Track": "5/12",
    "Disc": "1/2", "Genre": "Rock", "Comment": "Ape comment",
    "Composer": "Ape Composer", "Grouping": "Ape Grouping",
    "Copyright": "2004 Ape Label", "EncodedBy": "Ape Encoder", "BPM": "120",
    "Key": "Am", "Cover Art (Front)": {"file": "cover.jpg"}
  }
}'

tag tagged.tta '{
  "version": 4,
  "text": {"TIT2": "TTA Title", "TPE1": "TTA Artist", "TALB": "TTA Album",
           "TPE2": "TTA Album Artist", "TRCK": "5/12", "TPOS": "1/2",
           "TBPM": "120", "TDRC": "2004", "TCON": "Rock", "TCOM": "TTA Composer"},
  "comments": [{"lang": "eng", "desc": "", "text": "TTA comment"}],
  "pictures": [{"file": "cover.jpg", "mime": "image/jpeg", "type": 3, "desc": ""}]
}'

tag tagged.wma '{
  "asf": {
    "Title": "Wma Title", "Author": "Wma Artist", "WM/AlbumTitle": "Wma Album",
    "WM/AlbumArtist": "Wma Album Artist", "WM/Year": "2004",
    "WM/TrackNumber": "5", "TotalTracks": "12", "WM/PartOfSet": "1/2",
    "WM/Genre": "Rock", "Description": "Wma comment", "WM/Composer": "Wma Composer",
    "WM/ContentGroupDescription": "Wma Grouping", "Copyright": "2004 Wma Label",
    "WM/EncodedBy": "Wma Encoder", "WM/BeatsPerMinute": "120", "WM/InitialKey": "Am"
  },
  "pictures": [{"file": "cover.jpg", "mime": "image/jpeg", "type": 3, "desc": "front"}]
}'

# Variants: a track number stored as a DWORD (as some encoders write it),
# and a Speex stream announcing one extra header packet after its comment.
cp tagged.wma tagged_dword.wma
tag tagged_dword.wma '{"asf": {"WM/TrackNumber": {"dword": 7}, "TotalTracks": ""}}'
$PYTHON - <<'PYTHON'
import struct
import mutagen.ogg

with open("tagged.spx", "rb") as source:
    pages = []
    try:
        while True:
            pages.append(mutagen.ogg.OggPage(source))
    except EOFError:
        pass
header, comment, audio = pages[0], pages[1], pages[2:]
header.packets[0] = header.packets[0][:68] + struct.pack("<I", 1) + header.packets[0][72:]
extra = mutagen.ogg.OggPage()
extra.serial, extra.position, extra.packets = header.serial, 0, [b"Extra header of a Speex stream"]
for sequence, page in enumerate([header, comment, extra] + audio):
    page.sequence = sequence
with open("tagged_extra.spx", "wb") as target:
    for page in [header, comment, extra] + audio:
        target.write(page.write())
PYTHON
