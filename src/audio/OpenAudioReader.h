#pragma once
// openAudioReader(): the reader chain. FFmpeg first, then our own readers
// for ".mp3" (libmpg123) and ".wav" (integer PCM); ".mid" files get the MIDI
// reader. Never fails outright: a reader that could not open its file says
// so through error().

#include "audio/QZAudioReader.h"

#include <QByteArray>
#include <memory>

namespace tagmint::audio {

enum AudioReaderFlag : quint32 {
    // Skip FFmpeg: only our own readers. The WAV repair's decode check uses
    // this (with ProbeFlag: flags 9), so it depends on nothing but the file.
    NoFFmpeg = 0x1,
    // Skip the platform's audio reader. Linux has none, so this changes
    // nothing here; accepted for the callers that pass it.
    NoPlatformReader = 0x2,
    // Refuse ".mid" files with error 4 (callers that need real PCM).
    RefuseMidi = 0x4,
    // Handed on to the FFmpeg reader; our FFmpeg reader always runs its
    // plausibility and protection checks, so it changes nothing today. The
    // probe and the fingerprint lookup pass it.
    ProbeFlag = 0x8,
};

// Opens `fileSystemPath` (the path's bytes as the file system has them).
// Errors: 6 when the file does not exist; 102 for protected content (final:
// no other reader is tried); for ".mp3" and ".wav" after FFmpeg, the error
// of our own reader; otherwise 4 (not a regular file, or nothing could open
// it; also ".mid" with RefuseMidi). The
// readers decode to interleaved 16-bit PCM in one-second blocks (readPcm);
// the MIDI reader has no sound.
std::unique_ptr<QZAudioReader> openAudioReader(const QByteArray& fileSystemPath, quint32 flags);

} // namespace tagmint::audio
