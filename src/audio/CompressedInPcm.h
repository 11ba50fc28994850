#pragma once
// Whether 16-bit PCM data may really carry a compressed bitstream (DTS or
// AC-3 discs ripped to WAV, MPEG or AAC frames stored as PCM).
//
// FFmpeg answers this for every 16-bit WAV by running all its format probes
// over the first 128 KB of the data, six times over growing buffers: for a
// 10-second file that costs twenty times everything else we ask of it. It
// only ever switches the codec when a probe finds a run of frames of one of
// these formats, so data without even three frames in a row of any of them,
// and without a DTS or MLP sync word, is certainly PCM and FFmpeg's probe can
// be skipped. The test errs towards "may": then FFmpeg decides.

#include <QByteArrayView>

namespace tagmint::audio {

// The data bytes FFmpeg's probe looks at (32 packets of 4096 bytes).
inline constexpr qsizetype kPcmProbeWindow = 128 * 1024;

// True when `data` (the start of the audio data) holds a DTS, MLP/TrueHD or
// IEC 61937 sync word, an ID3 tag, or three consecutive frames of MPEG
// audio, ADTS, LATM/LOAS or (either byte order) AC-3/E-AC-3.
bool mayHoldCompressedAudio(QByteArrayView data);

} // namespace tagmint::audio
