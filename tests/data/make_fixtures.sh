#!/bin/sh
# Regenerates the committed test fixtures of this folder: a few KB each,
# 0.3 s of an 8 kHz mono sine. ffmpeg makes the audio without any tags of its
# own; mutagen (through /usr/bin/python3, which has it) writes the tags, so
# the fixtures never depend on the code under test.
#
# Needs: ffmpeg with libmp3lame, Debian's python3-mutagen.
set -eu

cd "$(dirname "$0")"
PYTHON=/usr/bin/python3
TOOL=../scripts/mutagen_tool.py

# -bitexact and no metadata keep ffmpeg from adding encoder tags, so the
# files start clean and regenerate byte for byte.
FFMPEG="ffmpeg -v error -y -nostdin"
SINE="sine=frequency=440:sample_rate=8000:duration=0.3"

$FFMPEG -f lavfi -i "color=c=0xC03020:s=16x16" -frames:v 1 -pix_fmt yuvj420p \
    -map_metadata -1 -fflags +bitexact -flags +bitexact cover.jpg
$FFMPEG -f lavfi -i "color=c=0x2050D0:s=16x16" -frames:v 1 -pix_fmt rgb24 \
    -map_metadata -1 -fflags +bitexact -flags +bitexact cover.png

$FFMPEG -f lavfi -i "$SINE" -ac 1 -c:a libmp3lame -b:a 8k \
    -map_metadata -1 -fflags +bitexact -flags +bitexact \
    -id3v2_version 0 -write_id3v1 0 -write_xing 0 plain.mp3
$FFMPEG -f lavfi -i "$SINE" -ac 1 -c:a pcm_s16be \
    -map_metadata -1 -fflags +bitexact -flags +bitexact -write_id3v2 0 plain.aiff

tag() {
    $PYTHON "$TOOL" write "$1" "$2"
}

cp plain.mp3 tagged_v24.mp3
tag tagged_v24.mp3 '{
  "version": 4,
  "text": {
    "TIT2": "Café Song", "TPE1": "The Artist", "TALB": "The Album",
    "TPE2": "Various Artists", "TDRC": "2004", "TRCK": "5/12", "TPOS": "1/2",
    "TCON": "Rock", "TCOM": "A Composer", "TIT1": "A Grouping",
    "TCOP": "2004 Label", "TENC": "An Encoder", "TBPM": "120", "TKEY": "Am"
  },
  "comments": [{"lang": "eng", "desc": "", "text": "A comment"}],
  "pictures": [{"file": "cover.jpg", "mime": "image/jpeg", "type": 3, "desc": ""}]
}'

cp plain.mp3 tagged_v23_v1.mp3
tag tagged_v23_v1.mp3 '{
  "version": 3,
  "text": {
    "TIT2": "Old Title", "TPE1": "Old Artist", "TALB": "Old Album",
    "TDRC": "1999", "TRCK": "3", "TCON": "Jazz"
  },
  "comments": [{"lang": "eng", "desc": "", "text": "Old comment"}],
  "id3v1": {"title": "Old Title", "artist": "Old Artist", "album": "Old Album",
            "year": "1999", "comment": "Old comment", "track": 3, "genre": 8}
}'

cp plain.mp3 v1_only.mp3
tag v1_only.mp3 '{
  "noID3v2": true,
  "id3v1": {"title": "V1 Title", "artist": "V1 Artist", "album": "V1 Album",
            "year": "1987", "comment": "V1 comment", "track": 9, "genre": 17}
}'

cp plain.aiff tagged.aiff
tag tagged.aiff '{
  "version": 4,
  "text": {
    "TIT2": "AIFF Title", "TPE1": "AIFF Artist", "TALB": "AIFF Album",
    "TRCK": "2/9", "TPOS": "1/1", "TCON": "Blues"
  },
  "comments": [{"lang": "eng", "desc": "", "text": "AIFF comment"}],
  "pictures": [{"file": "cover.png", "mime": "image/png", "type": 3, "desc": ""}]
}'
