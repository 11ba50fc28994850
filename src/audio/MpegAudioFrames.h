#pragma once
// Our own analysis of MPEG audio Layer III streams: the first frame header,
// a Xing or VBRI header when there is one, otherwise a walk over the first 13
// frames to tell constant from variable bit rate. It reads a few kilobytes
// and is the fast path for probing ".mp3" files.

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace tagmint::audio {

enum class MpegVersion { Mpeg1, Mpeg2, Mpeg25 };

struct MpegFrameHeader {
    MpegVersion version = MpegVersion::Mpeg1;
    int sampleRate = 0;       // Hz
    int bitrate = 0;          // bit/s
    int channels = 0;         // 1 for the mono mode, else 2
    int samplesPerFrame = 0;  // 1152 for MPEG-1, 576 otherwise
    int frameLength = 0;      // bytes, padding included
    int sideInfoSize = 0;     // bytes after the 4-byte header
};

// The header of a Layer III frame starting at `bytes` (4 bytes); nullopt
// for anything else (other layers, free format, reserved values).
std::optional<MpegFrameHeader> parseMpegFrameHeader(const uchar* bytes);

enum class MpegVbrHeader { None, Xing, Vbri };

struct MpegAudioInfo {
    MpegFrameHeader firstFrame;
    qint64 firstFrameOffset = 0;  // in the file, after any ID3v2 tag
    MpegVbrHeader vbrHeader = MpegVbrHeader::None;
    bool isVbr = false;
    // bit/s: for constant rate the stream's rate, for variable rate the
    // average of the walked frames or, with a header, over the whole file.
    int bitrate = 0;
    quint64 frameCount = 0;
    quint64 totalSamples = 0;  // sample frames per channel

    int sampleRate() const { return firstFrame.sampleRate; }
    int channels() const { return firstFrame.channels; }
};

// Bytes searched for the first frame; the caller hands over at least this
// much plus room for 13 frames when the file has it.
inline constexpr qsizetype kMpegSyncSearchLength = 64 * 1024;
inline constexpr qsizetype kMpegAnalysisWindow = kMpegSyncSearchLength + 32 * 1024;

// Analyses the stream in `data`, which starts at `dataOffset` in a file whose
// audio ends at `audioEnd` (before any ID3v1 tag). nullopt when no Layer III
// stream is found or fewer than 13 frames can be walked.
std::optional<MpegAudioInfo> analyseMpegAudio(QByteArrayView data, qint64 dataOffset,
                                              qint64 audioEnd);

// Reads the file's head (skipping ID3v2 tags) and tail (an ID3v1 tag) and
// analyses it.
std::optional<MpegAudioInfo> analyseMpegAudioFile(const QByteArray& fileSystemPath);

} // namespace tagmint::audio
