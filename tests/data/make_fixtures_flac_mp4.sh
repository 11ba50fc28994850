#!/bin/sh
# Regenerates the FLAC and MP4 fixtures of this folder: a few KB each, 0.3 s
# of an 8 kHz mono sine. ffmpeg makes the audio; mutagen (through
# /usr/bin/python3, which has it) writes tags, pictures and extra metadata
# blocks, so the fixtures never depend on the code under test.
#
# Needs: ffmpeg with its native FLAC and AAC encoders, Debian's python3-mutagen,
# and cover.jpg / cover.png from make_fixtures.sh.
set -eu

cd "$(dirname "$0")"
PYTHON=/usr/bin/python3
TOOL=../scripts/mutagen_tool.py

FFMPEG="ffmpeg -v error -y -nostdin"
SINE="sine=frequency=440:sample_rate=8000:duration=0.3"
BITEXACT="-map_metadata -1 -fflags +bitexact -flags +bitexact"

tag() {
    $PYTHON "$TOOL" write "$1" "$2"
}

# ffmpeg's FLAC carries an empty Vorbis comment and 8 KB of padding; both go,
# so plain.flac has no tags at all.
$FFMPEG -f lavfi -i "$SINE" -ac 1 -c:a flac $BITEXACT plain.flac
tag plain.flac '{"noVorbis": true}'

cp plain.flac tagged.flac
tag tagged.flac '{
  "vorbis": {
    "TITLE": "Flac Title", "ARTIST": "Flac Artist", "ALBUM": "Flac Album",
    "ALBUMARTIST": "Flac Album Artist", "DATE": "2004", "TRACKNUMBER": "5/12",
    "DISCNUMBER": "1/2", "GENRE": "Rock", "COMMENT": "Flac comment",
    "COMPOSER": "Flac Composer", "GROUPING": "Flac Grouping",
    "COPYRIGHT": "2004 Flac Label", "ENCODEDBY": "Flac Encoder", "BPM": "120",
    "INITIALKEY": "Am"
  },
  "flacPictures": [{"file": "cover.jpg", "mime": "image/jpeg", "type": 3,
                    "desc": "front", "width": 16, "height": 16}],
  "seekTable": [[0, 0, 2400]],
  "application": [{"id": "TMNT", "text": "tagmint fixture block"}]
}'

# No Vorbis comment and no FLAC picture: only ID3 tags, which FLAC files may
# carry (an ID3v2.3 tag ahead of the stream, ID3v1 at the end).
cp plain.flac flac_with_id3.flac
tag flac_with_id3.flac '{
  "id3": {
    "version": 3,
    "text": {"TIT2": "ID3 Title", "TPE1": "ID3 Artist", "TALB": "ID3 Album",
             "TPE2": "ID3 Album Artist", "TRCK": "3/9", "TPOS": "2/3",
             "TBPM": "99", "TDRC": "1999", "TCON": "Jazz"},
    "comments": [{"lang": "eng", "desc": "", "text": "ID3 comment"}],
    "pictures": [{"file": "cover.png", "mime": "image/png", "type": 3, "desc": ""}],
    "id3v1": {"title": "ID3 Title", "artist": "ID3 Artist", "album": "ID3 Album",
              "year": "1999", "comment": "ID3 comment", "track": 3, "genre": 8}
  }
}'

# The movie header after the media data (ffmpeg's default layout) ...
$FFMPEG -f lavfi -i "$SINE" -ac 1 -c:a aac -b:a 16k $BITEXACT plain.m4a

# ... and before it, as iTunes writes files, with items and two covers.
$FFMPEG -f lavfi -i "$SINE" -ac 1 -c:a aac -b:a 16k $BITEXACT -movflags +faststart tagged.m4a
tag tagged.m4a '{
  "items": {
    "\u00a9nam": "MP4 Title", "\u00a9ART": "MP4 Artist", "\u00a9alb": "MP4 Album",
    "aART": "MP4 Album Artist", "\u00a9day": "2011", "trkn": [[5, 12]],
    "disk": [[1, 2]], "\u00a9gen": "Pop", "\u00a9cmt": "MP4 comment",
    "\u00a9wrt": "MP4 Composer", "\u00a9grp": "MP4 Grouping", "cprt": "2011 MP4 Label",
    "\u00a9too": "MP4 Encoder", "tmpo": [128],
    "----:com.apple.iTunes:initialkey": "F#m"
  },
  "covers": [{"file": "cover.jpg", "format": 13}, {"file": "cover.png", "format": 14}]
}'
