// Our MPEG audio frame analysis over any bytes, both on a buffer and on a
// file (ID3v2 tags skipped, an ID3v1 tag cut off): nothing it answers may
// lie outside the input or outside what MPEG audio allows.

#include "FuzzSupport.h"

#include "audio/MpegAudioFrames.h"

#include <QFile>

using namespace tagmint;

namespace {

void expectPlausible(const std::optional<audio::MpegAudioInfo>& info, qint64 size)
{
    if (!info)
        return;
    const audio::MpegFrameHeader& frame = info->firstFrame;
    fuzz::expect(info->firstFrameOffset >= 0 && info->firstFrameOffset + 4 <= size,
                 "the first frame lies inside the input");
    fuzz::expect(frame.sampleRate >= 8000 && frame.sampleRate <= 48000, "a sample rate MPEG audio has");
    fuzz::expect(frame.channels == 1 || frame.channels == 2, "one or two channels");
    fuzz::expect(frame.frameLength > 4 && info->bitrate >= 0, "a frame longer than its header");
}

} // namespace

void fuzzMpegFrames(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    if (bytes.size() >= 4)
        audio::parseMpegFrameHeader(reinterpret_cast<const uchar*>(bytes.constData()));
    expectPlausible(audio::analyseMpegAudio(bytes, 0, bytes.size()), bytes.size());
    const QString path = fuzz::scratchFile(bytes, QStringLiteral("frames.mp3"));
    expectPlausible(audio::analyseMpegAudioFile(QFile::encodeName(path)), bytes.size());
}

TAGMINT_FUZZ_TARGET(fuzzMpegFrames)
