#!/bin/sh
# Regenerates the committed audio fixtures in audio/: one small file (a few
# KB, fractions of a second, low sample rates) for each kind of stream the
# probe must tell apart. ffmpeg encodes; /usr/bin/python3 builds what no
# encoder writes (a VBRI header, twelve channels, a MIDI file) and trims
# FLAC padding with mutagen.
#
# Needs: ffmpeg with libmp3lame, Debian's python3-mutagen.
set -eu

cd "$(dirname "$0")/audio"
PYTHON=/usr/bin/python3
FFMPEG="ffmpeg -v error -y -nostdin"
# No encoder tags, so files regenerate byte for byte.
CLEAN="-map_metadata -1 -fflags +bitexact -flags +bitexact"

sine() {  # rate seconds
    echo "sine=frequency=440:sample_rate=$1:duration=$2"
}
# Loud noise and near silence in turns, so a VBR encoder changes its rate.
bursts() {  # rate seconds
    echo "aevalsrc='if(lt(mod(t\,0.08)\,0.04)\,0.8*sin(2*PI*t*(300+5000*random(0)))\,0.01*sin(2*PI*440*t))':s=$1:d=$2"
}

# MPEG audio Layer III. No ID3 tags; -write_xing 0 leaves the stream bare.
$FFMPEG -f lavfi -i "$(sine 44100 0.5)" -ac 2 -c:a libmp3lame -b:a 32k $CLEAN \
    -id3v2_version 0 -write_xing 0 cbr_mpeg1_stereo.mp3
# ffmpeg's muxer writes a LAME "Info" header for constant rate: not a VBR header.
$FFMPEG -f lavfi -i "$(sine 44100 0.5)" -ac 2 -c:a libmp3lame -b:a 32k $CLEAN \
    -id3v2_version 0 cbr_info_header.mp3
$FFMPEG -f lavfi -i "$(sine 22050 0.8)" -ac 1 -c:a libmp3lame -b:a 16k $CLEAN \
    -id3v2_version 0 -write_xing 0 cbr_mpeg2_mono.mp3
$FFMPEG -f lavfi -i "$(sine 8000 1.2)" -ac 1 -c:a libmp3lame -b:a 8k $CLEAN \
    -id3v2_version 0 -write_xing 0 cbr_mpeg25_mono.mp3
# Fewer than the 13 frames our analysis walks: left to FFmpeg.
$FFMPEG -f lavfi -i "$(sine 44100 0.1)" -ac 1 -c:a libmp3lame -b:a 32k $CLEAN \
    -id3v2_version 0 -write_xing 0 cbr_short.mp3
$FFMPEG -f lavfi -i "$(bursts 22050 0.8)" -ac 1 -c:a libmp3lame -q:a 6 $CLEAN \
    -id3v2_version 0 vbr_xing.mp3
$FFMPEG -f lavfi -i "$(bursts 11025 1.2)" -ac 1 -c:a libmp3lame -q:a 6 $CLEAN \
    -id3v2_version 0 -write_xing 0 vbr_no_header.mp3
# Layer II frames in a file named ".mp3".
$FFMPEG -f lavfi -i "$(sine 32000 0.3)" -ac 1 -c:a mp2 -b:a 32k $CLEAN -f mp2 layer2.mp3

# A VBRI header (Fraunhofer's encoder) in a silent first frame before the
# bare VBR stream: the frame's header with zeros after it, "VBRI" 32 bytes in.
$PYTHON - <<'PY'
import struct
data = open("vbr_no_header.mp3", "rb").read()
BITRATES = [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160]
RATES = {2: [22050, 24000, 16000], 0: [11025, 12000, 8000]}  # MPEG-2, MPEG-2.5

def frame_length(pos):
    h = data[pos:pos + 4]
    rate = RATES[(h[1] >> 3) & 3][(h[2] >> 2) & 3]
    return 72 * BITRATES[h[2] >> 4] * 1000 // rate + ((h[2] >> 1) & 1)

frames, pos = 0, 0
while pos + 4 <= len(data) and data[pos] == 0xFF:
    frames += 1
    pos += frame_length(pos)
first = bytearray(data[:frame_length(0)])
first[4:] = bytes(len(first) - 4)
vbri = b"VBRI" + struct.pack(">HHHII", 1, 0, 75, len(data) + len(first), frames) + struct.pack(">HHHH", 0, 1, 2, 1)
first[36:36 + len(vbri)] = vbri
open("vbr_vbri.mp3", "wb").write(bytes(first) + data)
PY

# Lossless and AAC.
$FFMPEG -f lavfi -i "$(sine 8000 0.3)" -ac 1 -c:a flac $CLEAN tone.flac
$PYTHON -c 'from mutagen.flac import FLAC; f = FLAC("tone.flac"); f.save(padding=lambda info: 0)'
$FFMPEG -f lavfi -i "$(sine 8000 0.3)" -ac 1 -c:a aac -b:a 16k $CLEAN tone.m4a

# PCM in WAV and AIFF.
$FFMPEG -f lavfi -i "$(sine 8000 0.25)" -ac 1 -c:a pcm_u8 $CLEAN pcm_u8_mono.wav
$FFMPEG -f lavfi -i "$(sine 8000 0.25)" -ac 2 -c:a pcm_s16le $CLEAN pcm_s16_stereo.wav
$FFMPEG -f lavfi -i "$(sine 8000 0.25)" -ac 1 -c:a pcm_s24le $CLEAN pcm_s24_mono.wav
$FFMPEG -f lavfi -i "$(sine 8000 0.25)" -ac 1 -c:a pcm_s16be $CLEAN -write_id3v2 0 tone.aiff
$FFMPEG -f lavfi -i "$(sine 8000 0.05)" -af "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0" \
    -c:a pcm_s16le $CLEAN surround51.wav

# AC-3 and DTS bitstreams stored as 16-bit PCM, as discs ripped to WAV carry
# them: FFmpeg's stream probe names the real codec.
$FFMPEG -f lavfi -i "$(sine 48000 0.4)" -ac 2 -c:a ac3 -b:a 96k $CLEAN -f ac3 ac3.tmp
$FFMPEG -f s16le -ar 48000 -ac 2 -i ac3.tmp -c:a copy $CLEAN ac3_in_pcm.wav
$FFMPEG -f lavfi -i "$(sine 44100 0.2)" -ac 2 -c:a dca -strict -2 -b:a 384k $CLEAN -f dts dts.tmp
$FFMPEG -f s16le -ar 44100 -ac 2 -i dts.tmp -c:a copy $CLEAN dts_in_pcm.wav
rm ac3.tmp dts.tmp

# Twelve channels, plain PCM (FFmpeg's pan filter has no such layout).
$PYTHON - <<'PY'
import struct
channels, rate, frames = 12, 8000, 80
body = bytes(channels * 2 * frames)
fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * channels * 2, channels * 2, 16)
riff = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(body)) + body
open("twelve_channels.wav", "wb").write(b"RIFF" + struct.pack("<I", len(riff)) + riff)
PY

# A protected Windows Media file, as far as its header says.
$FFMPEG -f lavfi -i "$(sine 16000 0.1)" -ac 1 -c:a wmav2 -fflags +bitexact -flags +bitexact \
    -metadata ASF_Protection_Type=DRM protected.wma

# A standard MIDI file, format 1 at 480 ticks per quarter note. Track 0 is
# the tempo map: 120 bpm, then 240 bpm from tick 960 (1.0 s). Track 1 plays
# notes up to tick 3000: 1.0 s + 2040 ticks at 240 bpm = 2.0625 s.
$PYTHON - <<'PY'
import struct

def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)

def track(events):
    body = b"".join(vlq(delta) + event for delta, event in events)
    return b"MTrk" + struct.pack(">I", len(body)) + body

tempo = track([
    (0, b"\xff\x51\x03" + (500000).to_bytes(3, "big")),
    (960, b"\xff\x51\x03" + (250000).to_bytes(3, "big")),
    (0, b"\xff\x2f\x00"),
])
notes = track([
    (0, b"\x90\x3c\x64"),   # note on
    (480, b"\x3c\x00"),     # running status: note off by velocity 0
    (0, b"\xff\x01\x04text"),
    (1000, b"\x40\x64"),
    (1520, b"\x80\x40\x40"),
    (0, b"\xff\x2f\x00"),
])
header = b"MThd" + struct.pack(">IHHH", 6, 1, 2, 480)
open("tempo_change.mid", "wb").write(header + tempo + notes)
PY
