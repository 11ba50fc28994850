#include "audio/QZAudioReader.h"

namespace tagmint::audio {

QString readerErrorText(int code)
{
    switch (code) {
    case CouldNotOpenFile:
    case FFmpegCouldNotOpenFile:
        return QStringLiteral("Could not open file");
    case NotEnoughMemory:
        return QStringLiteral("Not enough memory");
    case FileDoesNotExist:
        return QStringLiteral("File does not exist");
    case CorruptedFile:
        return QStringLiteral("Corrupted file");
    case FormatNotSupported:
        return QStringLiteral("Format is not supported");
    case DrmProtectedFile:
        return QStringLiteral("DRM protected file");
    case CodecNotAvailable:
        return QStringLiteral("Audio codec is not available");
    case CodecNotSupported:
        return QStringLiteral("Audio codec is not supported");
    case NoAudioStream:
        return QStringLiteral("Could not find audio stream");
    case CouldNotOpenAudioStream:
        return QStringLiteral("Could not open audio stream");
    default:
        return QString();
    }
}

quint64 framesToMilliseconds(quint64 frames, int sampleRate)
{
    if (sampleRate <= 0)
        return 0;
    const auto rate = quint64(sampleRate);
    return frames / rate * 1000 + (frames % rate) * 1000 / rate;
}

QZAudioReader::~QZAudioReader() = default;

bool QZAudioReader::numberProperty(Property, qint64*) const
{
    return false;
}

bool QZAudioReader::textProperty(Property, QString*) const
{
    return false;
}

qint64 QZAudioReader::readPcm(std::vector<qint16>& samples)
{
    samples.clear();
    return -1;
}

QString QZAudioReader::channelsText() const
{
    if (m_error != NoError)
        return QStringLiteral("Unknown (%1)").arg(readerErrorText(m_error));
    QString text;
    if (textProperty(ChannelsText, &text) && !text.isEmpty())
        return text;
    if (m_channels == 2)
        return QStringLiteral("Stereo");
    if (m_channels <= 1)
        return QStringLiteral("Mono");
    return QStringLiteral("%1 Channels").arg(m_channels);
}

quint64 QZAudioReader::durationMs() const
{
    qint64 duration = 0;
    if (numberProperty(DurationMs, &duration) && duration > 0)
        return quint64(duration);
    return framesToMilliseconds(m_frameCount, m_sampleRate);
}

int QZAudioReader::bitrateEstimate() const
{
    qint64 kbps = 0;
    if (numberProperty(BitrateKbps, &kbps) && kbps > 0)
        return int(kbps);
    qint64 bytesPerSample = 0;
    if (!numberProperty(BytesPerSample, &bytesPerSample) || bytesPerSample <= 0)
        bytesPerSample = 2;
    return int(qint64(m_channels) * m_sampleRate * bytesPerSample / 125);
}

} // namespace tagmint::audio
