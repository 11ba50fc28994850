#include "audio/Mp3AudioReader.h"

#include "audio/FormatCatalogue.h"
#include "audio/MpegAudioFrames.h"

#include <mpg123.h>

namespace tagmint::audio {

Mp3AudioReader::Mp3AudioReader(const QByteArray& fileSystemPath)
{
    // libmpg123 finds "frames" in almost anything (PCM samples, noise), so
    // the file must first pass our own analysis: a Layer III stream with a
    // VBR header or 13 consistent frames.
    const std::optional<MpegAudioInfo> info = analyseMpegAudioFile(fileSystemPath);
    if (!info) {
        m_error = CorruptedFile;
        return;
    }
    m_frameCount = info->totalSamples;
    m_bitrateKbps = (info->bitrate + 999) / 1000;
    m_isVbr = info->isVbr;

    int status = MPG123_OK;
    m_decoder = mpg123_new(nullptr, &status);
    if (!m_decoder) {
        m_error = NotEnoughMemory;
        return;
    }
    mpg123_param(m_decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // Whatever the stream's rate and channels, always 16-bit signed samples.
    mpg123_format_none(m_decoder);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(m_decoder, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

    if (mpg123_open(m_decoder, fileSystemPath.constData()) != MPG123_OK) {
        m_error = CouldNotOpenFile;
        return;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(m_decoder, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 || channels <= 0) {
        m_error = CorruptedFile;
        return;
    }
    m_sampleRate = int(rate);
    setChannels(channels);
    // Keep the interleaving fixed should the stream switch between mono and stereo.
    mpg123_param(m_decoder, MPG123_ADD_FLAGS, channels == 1 ? MPG123_FORCE_MONO : MPG123_FORCE_STEREO, 0);
}

Mp3AudioReader::~Mp3AudioReader()
{
    if (m_decoder) {
        mpg123_close(m_decoder);
        mpg123_delete(m_decoder);
    }
}

bool Mp3AudioReader::numberProperty(Property property, qint64* value) const
{
    if (m_error != NoError)
        return false;
    switch (property) {
    case BitrateKbps:
        *value = m_bitrateKbps;
        return m_bitrateKbps > 0;
    case BitrateBps:
        *value = qint64(m_bitrateKbps) * 1000;
        return m_bitrateKbps > 0;
    case BytesPerSample:
        *value = 2;
        return true;
    case BitsPerChannel:
        *value = 16;
        return true;
    default:
        return false;
    }
}

bool Mp3AudioReader::textProperty(Property property, QString* value) const
{
    if (m_error != NoError)
        return false;
    switch (property) {
    case FormatText:
        *value = QString::fromLatin1(formatDescriptionForExtension("mp3"));
        return true;
    case CodecText:
        *value = QStringLiteral("MP3 (MPEG audio layer 3)");
        return true;
    default:
        return false;
    }
}

qint64 Mp3AudioReader::readPcm(std::vector<qint16>& samples)
{
    samples.clear();
    if (m_error != NoError)
        return -1;
    if (m_ended)
        return 0;
    const size_t wanted = size_t(m_sampleRate) * size_t(m_channels);
    samples.resize(wanted);
    size_t filled = 0;  // samples
    while (filled < wanted) {
        size_t done = 0;
        const int status = mpg123_read(m_decoder, samples.data() + filled, (wanted - filled) * sizeof(qint16), &done);
        filled += done / sizeof(qint16);
        if (status == MPG123_DONE) {
            m_ended = true;
            break;
        }
        // The output format is fixed, so a new stream format only means
        // the decoder found its first (or a changed) frame header.
        if (status == MPG123_NEW_FORMAT || (status == MPG123_OK && done > 0))
            continue;
        if (status != MPG123_OK || done == 0) {
            m_ended = true;
            if (filled == 0) {
                samples.clear();
                return status == MPG123_OK ? 0 : -1;
            }
            break;
        }
    }
    samples.resize(filled - filled % size_t(m_channels));
    return qint64(samples.size() / size_t(m_channels));
}

} // namespace tagmint::audio
