#!/bin/sh
# Regenerates the WAV fixtures of this folder: 0.2 s of an 8 kHz mono sine,
# 16-bit PCM, a few KB each. ffmpeg makes the audio and writes the RIFF INFO
# lists; mutagen (through /usr/bin/python3, which has it) writes the ID3
# chunks, so the fixtures never depend on the code under test.
#
# Needs: ffmpeg, Debian's python3-mutagen, and cover.png from make_fixtures.sh.
set -eu

cd "$(dirname "$0")"
PYTHON=/usr/bin/python3
TOOL=../scripts/mutagen_tool.py

# -bitexact keeps ffmpeg's own "ISFT" entry out of the INFO list.
FFMPEG="ffmpeg -v error -y -nostdin"
SINE="sine=frequency=440:sample_rate=8000:duration=0.2"
PCM="-ac 1 -c:a pcm_s16le -fflags +bitexact -flags +bitexact"

tag() {
    $PYTHON "$TOOL" write "$1" "$2"
}

# "fmt " and "data" only.
$FFMPEG -f lavfi -i "$SINE" $PCM -map_metadata -1 plain.wav

# An INFO list before the data chunk: INAM, IART, IPRD, ICMT, ICRD, IGNR,
# IPRT (ffmpeg's track entry), ICOP.
$FFMPEG -f lavfi -i "$SINE" $PCM -map_metadata -1 \
    -metadata title="Café Info" -metadata artist="Info Artist" \
    -metadata album="Info Album" -metadata comment="Info comment" \
    -metadata date=2001 -metadata genre=Folk -metadata track=7 \
    -metadata copyright="2001 Info Label" info.wav

# An ID3v2.4 chunk (mutagen names it "id3 ") after the data chunk.
cp plain.wav id3.wav
tag id3.wav '{
  "version": 4,
  "text": {
    "TIT2": "ID3 Title", "TPE1": "ID3 Artist", "TALB": "ID3 Album",
    "TPE2": "ID3 Album Artist", "TDRC": "2004", "TRCK": "5/12", "TPOS": "1/2",
    "TCON": "Rock", "TCOM": "ID3 Composer", "TCOP": "2004 ID3 Label",
    "TENC": "ID3 Encoder", "TBPM": "96"
  },
  "comments": [{"lang": "eng", "desc": "", "text": "ID3 comment"}],
  "pictures": [{"file": "cover.png", "mime": "image/png", "type": 3, "desc": ""}]
}'

# Both: a sparse ID3v2.3 chunk over the INFO list above.
cp info.wav id3_info.wav
tag id3_info.wav '{
  "version": 3,
  "text": {"TIT2": "Tagged Title", "TPE1": "Tagged Artist"}
}'
