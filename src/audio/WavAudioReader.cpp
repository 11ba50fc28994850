#include "audio/WavAudioReader.h"

#include "audio/FormatCatalogue.h"
#include "util/FileSystem.h"

#include <QFile>
#include <QtEndian>

#include <cstring>

namespace tagmint::audio {

namespace {

constexpr quint16 kFormatPcm = 0x0001;
constexpr quint16 kFormatExtensible = 0xfffe;
// KSDATAFORMAT_SUBTYPE_PCM after its first two bytes (the format tag).
constexpr uchar kPcmSubformatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

quint32 le32(const char* p)
{
    return qFromLittleEndian<quint32>(p);
}

quint16 le16(const char* p)
{
    return qFromLittleEndian<quint16>(p);
}

qint16 sampleToInt16(const uchar* p, int bytes)
{
    switch (bytes) {
    case 1:
        return qint16((int(p[0]) - 128) << 8);  // 8-bit WAV samples are unsigned
    case 2:
        return qint16(quint16(p[0]) | quint16(p[1]) << 8);
    default:
        // The two most significant bytes of a 24- or 32-bit sample.
        return qint16(quint16(p[bytes - 2]) | quint16(p[bytes - 1]) << 8);
    }
}

} // namespace

WavAudioReader::WavAudioReader(const QByteArray& fileSystemPath)
    : m_file(std::make_unique<QFile>())
{
    if (!fs::openFile(*m_file, fileSystemPath, QIODevice::ReadOnly)) {
        m_error = CouldNotOpenFile;
        return;
    }
    m_error = parse();
    if (m_error != NoError) {
        m_sampleRate = 0;
        m_channels = 0;
        m_frameCount = 0;
        m_file->close();
    }
}

WavAudioReader::~WavAudioReader() = default;

int WavAudioReader::parse()
{
    const QByteArray riff = m_file->read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return CorruptedFile;

    const qint64 fileSize = m_file->size();
    qint64 position = 12;
    bool haveFormat = false;
    while (position + 8 <= fileSize) {
        if (!m_file->seek(position))
            return CouldNotOpenFile;
        const QByteArray header = m_file->read(8);
        if (header.size() < 8)
            break;
        const quint32 size = le32(header.constData() + 4);
        const qint64 body = position + 8;
        if (header.startsWith("fmt ")) {
            const QByteArray format = m_file->read(qMin<qint64>(size, 40));
            if (format.size() < 16)
                return CorruptedFile;
            quint16 tag = le16(format.constData());
            if (tag == kFormatExtensible) {
                if (format.size() < 40)
                    return CorruptedFile;
                if (std::memcmp(format.constData() + 26, kPcmSubformatTail, sizeof kPcmSubformatTail) != 0)
                    return FormatNotSupported;
                tag = le16(format.constData() + 24);
            }
            if (tag != kFormatPcm)
                return FormatNotSupported;
            setChannels(le16(format.constData() + 2));
            const quint32 rate = le32(format.constData() + 4);
            m_blockAlign = le16(format.constData() + 12);
            m_bitsPerSample = le16(format.constData() + 14);
            const bool supportedBits = m_bitsPerSample == 8 || m_bitsPerSample == 16
                || m_bitsPerSample == 24 || m_bitsPerSample == 32;
            if (!supportedBits)
                return FormatNotSupported;
            if (m_channels == 0 || rate == 0 || rate > 0x7fffffff
                || m_blockAlign != m_channels * (m_bitsPerSample / 8))
                return CorruptedFile;
            m_sampleRate = int(rate);
            haveFormat = true;
        } else if (header.startsWith("data")) {
            if (!haveFormat)
                return CorruptedFile;
            m_dataOffset = body;
            // A truncated file (or a streaming writer's 0xffffffff) declares
            // more than there is; take what is really there.
            m_dataLength = qMin<qint64>(size, fileSize - body);
            m_dataLength -= m_dataLength % m_blockAlign;
            m_frameCount = quint64(m_dataLength / m_blockAlign);
            return NoError;
        }
        position = body + qint64(size) + (size & 1);  // chunks are word-aligned
    }
    return CorruptedFile;
}

bool WavAudioReader::numberProperty(Property property, qint64* value) const
{
    if (m_error != NoError)
        return false;
    switch (property) {
    case BytesPerSample:
        *value = m_bitsPerSample / 8;
        return true;
    case BitsPerChannel:
        *value = m_bitsPerSample;
        return true;
    case BitrateBps:
        *value = qint64(m_sampleRate) * m_channels * m_bitsPerSample;
        return true;
    case DurationMs:
        *value = qint64(framesToMilliseconds(m_frameCount, m_sampleRate));
        return *value > 0;
    default:
        return false;
    }
}

bool WavAudioReader::textProperty(Property property, QString* value) const
{
    if (m_error != NoError)
        return false;
    switch (property) {
    case FormatText:
        *value = QString::fromLatin1(formatDescriptionForExtension("wav"));
        return true;
    case CodecText:
        // 8-bit WAV samples are unsigned; calling them signed would be wrong.
        *value = m_bitsPerSample == 8
            ? QStringLiteral("PCM unsigned 8-bit")
            : QStringLiteral("PCM signed %1-bit little-endian").arg(m_bitsPerSample);
        return true;
    default:
        return false;
    }
}

qint64 WavAudioReader::readPcm(std::vector<qint16>& samples)
{
    samples.clear();
    if (m_error != NoError)
        return -1;
    const qint64 remaining = m_dataLength - m_readPosition;
    const qint64 bytes = qMin<qint64>(remaining, qint64(m_sampleRate) * m_blockAlign);
    if (bytes <= 0)
        return 0;
    if (!m_file->seek(m_dataOffset + m_readPosition))
        return -1;
    const QByteArray block = m_file->read(bytes);
    if (block.size() != bytes)
        return -1;
    m_readPosition += bytes;

    const int sampleBytes = m_bitsPerSample / 8;
    const qint64 count = bytes / sampleBytes;
    samples.resize(size_t(count));
    const auto* p = reinterpret_cast<const uchar*>(block.constData());
    for (qint64 i = 0; i < count; ++i)
        samples[size_t(i)] = sampleToInt16(p + i * sampleBytes, sampleBytes);
    return bytes / m_blockAlign;
}

} // namespace tagmint::audio
