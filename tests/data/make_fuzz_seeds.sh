#!/bin/sh
# Regenerates the seed variants of the fuzz corpora in fuzz/corpus/TARGET:
# layouts the fixtures of this folder do not show (fragmented and 64-bit
# MP4 atoms, QuickTime's "meta", AIFF-C, odd chunks, filler, a cut WAV,
# stacked ID3v2 tags, cache entries, chained and many-page Ogg streams, an
# APE tag beside ID3v1, an ASF file without tags). The fixtures themselves are seeds too;
# fuzz/CMakeLists.txt lists them. Inputs kept from fuzzing runs
# (regression-*) are left alone.
#
# Needs: ffmpeg with its AAC encoder, python3, the fixtures of this folder.
set -eu

cd "$(dirname "$0")"
CORPUS=../../fuzz/corpus
FFMPEG="ffmpeg -v error -y -nostdin"
SINE="sine=frequency=440:sample_rate=8000:duration=0.3"
BITEXACT="-map_metadata -1 -fflags +bitexact -flags +bitexact"
AAC="-ac 1 -c:a aac -b:a 16k"

mkdir -p "$CORPUS/mp4-atoms" "$CORPUS/aiff-chunks" "$CORPUS/riff-chunks" \
         "$CORPUS/mpeg-frames" "$CORPUS/cache-entries" "$CORPUS/ogg-pages" \
         "$CORPUS/ape-tags" "$CORPUS/asf-objects"

$FFMPEG -f lavfi -i "$SINE" $AAC $BITEXACT -movflags frag_keyframe+empty_moov+skip_trailer \
    -frag_duration 10000000 "$CORPUS/mp4-atoms/seed-one-fragment.m4a"
$FFMPEG -f lavfi -i "$SINE" $AAC $BITEXACT -movflags frag_keyframe+empty_moov+default_base_moof \
    -frag_duration 100000 "$CORPUS/mp4-atoms/seed-fragment-index.m4a"
$FFMPEG -f lavfi -i "$SINE" -c:a pcm_s16le $BITEXACT "$CORPUS/aiff-chunks/seed-aifc.aifc"

/usr/bin/python3 - "$CORPUS" <<'EOF'
import struct, sys
corpus = sys.argv[1]

def read(name):
    with open(name, 'rb') as f:
        return bytearray(f.read())

def write(target, name, data):
    with open(f'{corpus}/{target}/{name}', 'wb') as f:
        f.write(bytes(data))

def atom_at(data, name):
    return data.index(name) - 4

def add_to_size(data, at, delta, fmt='>I'):
    (size,) = struct.unpack_from(fmt, data, at)
    struct.pack_into(fmt, data, at, size + delta)

# The movie last in plain.m4a: bytes inside it can change without moving
# the media data, so no chunk offset changes.
plain = read('plain.m4a')

bare = bytearray(plain)           # QuickTime's "meta" without version and flags
meta = atom_at(bare, b'meta')
del bare[meta + 8:meta + 12]
for name in (b'moov', b'udta', b'meta'):
    add_to_size(bare, atom_at(bare, name), -4)
write('mp4-atoms', 'seed-bare-meta.m4a', bare)

co64 = bytearray(plain)           # 64-bit chunk offsets
stco = atom_at(co64, b'stco')
size, = struct.unpack_from('>I', co64, stco)
count, = struct.unpack_from('>I', co64, stco + 12)
offsets = struct.unpack_from(f'>{count}I', co64, stco + 16)
table = b'co64' + co64[stco + 8:stco + 16] + struct.pack(f'>{count}Q', *offsets)
co64[stco:stco + size] = struct.pack('>I', 4 + len(table)) + table
for name in (b'moov', b'trak', b'mdia', b'minf', b'stbl'):
    add_to_size(co64, atom_at(co64, name), 4 * count)
write('mp4-atoms', 'seed-co64.m4a', co64)

large = plain + struct.pack('>I4sQ', 1, b'free', 24) + bytes(8)   # a 64-bit size
write('mp4-atoms', 'seed-large-size.m4a', large)

to_end = read('tagged.m4a')       # the media data last, size 0: "to the end"
struct.pack_into('>I', to_end, atom_at(to_end, b'mdat'), 0)
write('mp4-atoms', 'seed-size-zero.m4a', to_end)

aiff = read('plain.aiff')         # an odd chunk with its pad byte, then filler
aiff[12:12] = b'NAME' + struct.pack('>I', 3) + b'abc\0'
add_to_size(aiff, 4, 12)
write('aiff-chunks', 'seed-odd-chunk.aiff', aiff + bytes(32))

wav = read('info.wav')
write('riff-chunks', 'seed-cut.wav', wav[:-101])
odd = wav + b'junk' + struct.pack('<I', 3) + b'abcxy'   # no pad byte, stray bytes
add_to_size(odd, 4, 13, '<I')
write('riff-chunks', 'seed-odd-chunk.wav', odd)
write('riff-chunks', 'seed-filler.wav', wav + bytes(64))

mp3 = read('tagged_v23_v1.mp3')   # a second ID3v2 tag in front of the first
write('mpeg-frames', 'seed-two-id3v2.mp3', b'ID3\4\0\0\0\0\0\x05' + bytes(5) + mp3)

# Cache entries: the store's header (magic, time, length, little-endian),
# then the audio properties entry ("QZAP", version 1, numbers, texts).
def text(value):
    data = value.encode()
    return struct.pack('<I', len(data)) + data

properties = (b'QZAP' + struct.pack('<BQQiiiq', 1, 4096, 1700000000000000000, 44100, 128, 2, 181000)
              + text('stereo') + text('MPEG Layer 3') + text('mp3'))
header = struct.pack('<III', 0x01020304, 1700000000, len(properties))
write('cache-entries', 'seed-properties', header + properties)
write('cache-entries', 'seed-other-version', header + properties[:4] + b'\2' + properties[5:])
write('cache-entries', 'seed-empty', struct.pack('<III', 0x01020304, 1700000000, 0))
EOF

# Ogg: two streams one after the other; a comment over several pages.
cat tagged.opus tagged.opus > "$CORPUS/ogg-pages/seed-chained.opus"
cp tagged.ogg "$CORPUS/ogg-pages/seed-many-pages.ogg"
/usr/bin/python3 ../scripts/mutagen_tool.py write "$CORPUS/ogg-pages/seed-many-pages.ogg" \
    "{\"xiph\": {\"COMMENT\": \"$(head -c 20000 /dev/zero | tr '\0' c)\"}}"
# An APE tag with an ID3v1 tag after it; an ASF file as ffmpeg writes it.
cp tagged.wv "$CORPUS/ape-tags/seed-id3v1.wv"
printf 'TAG%125s' '' >> "$CORPUS/ape-tags/seed-id3v1.wv"
$FFMPEG -f lavfi -i "$SINE" -ac 1 -c:a wmav2 -b:a 32k $BITEXACT "$CORPUS/asf-objects/seed-plain.wma"
