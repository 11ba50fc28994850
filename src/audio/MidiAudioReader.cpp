#include "audio/MidiAudioReader.h"

#include "audio/FormatCatalogue.h"
#include "util/FileSystem.h"

#include <QFile>

#include <algorithm>
#include <map>

namespace tagmint::audio {

namespace {

// MIDI files are small; anything beyond this is not one we will load.
constexpr qint64 kMaxMidiFileSize = 16 * 1024 * 1024;
constexpr quint32 kDefaultTempo = 500000;  // microseconds per quarter note (120 bpm)
constexpr quint32 kTrackChunk = 0x4d54726b;  // "MTrk"
// Far beyond any real piece; keeps ticks times tempo within 64 bits.
constexpr quint64 kMaxTicks = quint64(1) << 40;

class ByteReader {
public:
    ByteReader(const uchar* data, qint64 size) : m_data(data), m_size(size) {}
    bool atEnd() const { return m_position >= m_size; }
    qint64 remaining() const { return m_size - m_position; }
    const uchar* here() const { return m_data + m_position; }
    bool has(qint64 count) const { return m_position + count <= m_size; }
    uchar byte() { return m_data[m_position++]; }
    uchar peek() const { return m_data[m_position]; }
    void skip(qint64 count) { m_position = std::min(m_size, m_position + count); }
    quint32 bigEndian(int bytes)
    {
        quint32 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | byte();
        return value;
    }
    // A variable-length quantity: at most four bytes of seven bits.
    bool variableLength(quint32* value)
    {
        *value = 0;
        for (int i = 0; i < 4; ++i) {
            if (atEnd())
                return false;
            const uchar b = byte();
            *value = (*value << 7) | (b & 0x7f);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }

private:
    const uchar* m_data;
    qint64 m_size;
    qint64 m_position = 0;
};

// Walks one track; returns its length in ticks and adds its tempo changes.
// A damaged track counts up to where it can be read.
quint64 readTrack(ByteReader track, std::map<quint64, quint32>& tempos)
{
    quint64 tick = 0;
    uchar runningStatus = 0;
    while (!track.atEnd()) {
        quint32 delta = 0;
        if (!track.variableLength(&delta) || track.atEnd())
            break;
        tick += delta;
        if (tick > kMaxTicks)
            return kMaxTicks;
        uchar status = track.peek();
        if (status & 0x80)
            track.byte();
        else if (runningStatus)
            status = runningStatus;
        else
            break;

        if (status == 0xff) {
            if (track.atEnd())
                break;
            const uchar type = track.byte();
            quint32 length = 0;
            if (!track.variableLength(&length) || !track.has(length))
                break;
            if (type == 0x2f)
                return tick;  // end of track
            if (type == 0x51 && length == 3)
                tempos[tick] = track.bigEndian(3);
            else
                track.skip(length);
        } else if (status == 0xf0 || status == 0xf7) {
            quint32 length = 0;
            if (!track.variableLength(&length) || !track.has(length))
                break;
            track.skip(length);
            runningStatus = 0;
        } else if (status >= 0x80 && status < 0xf0) {
            runningStatus = status;
            const int dataBytes = (status & 0xf0) == 0xc0 || (status & 0xf0) == 0xd0 ? 1 : 2;
            if (!track.has(dataBytes))
                break;
            track.skip(dataBytes);
        } else {
            break;  // system real-time and common messages do not belong in a file
        }
    }
    return tick;
}

} // namespace

qint64 MidiAudioReader::durationMicroseconds(const QByteArray& bytes, int* error)
{
    auto fail = [error](int code) {
        if (error)
            *error = code;
        return qint64(-1);
    };
    ByteReader file(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
    if (!bytes.startsWith("MThd"))
        return fail(FormatNotSupported);
    file.skip(4);
    if (!file.has(4))
        return fail(CorruptedFile);
    const quint32 headerLength = file.bigEndian(4);
    if (headerLength < 6 || !file.has(headerLength))
        return fail(CorruptedFile);
    file.skip(2);  // format
    const quint32 trackCount = file.bigEndian(2);
    const quint32 division = file.bigEndian(2);
    file.skip(headerLength - 6);
    if (division == 0 || (division & 0x8000 && (division & 0xff) == 0))
        return fail(CorruptedFile);

    std::map<quint64, quint32> tempos;
    quint64 longest = 0;
    for (quint32 found = 0; found < trackCount && file.has(8);) {
        const quint32 id = file.bigEndian(4);
        const quint32 length = file.bigEndian(4);
        if (id == kTrackChunk) {
            ++found;
            // A truncated last track is read as far as it goes.
            const qint64 size = std::min<qint64>(length, file.remaining());
            longest = std::max(longest, readTrack(ByteReader(file.here(), size), tempos));
        }
        file.skip(length);
    }

    if (error)
        *error = NoError;
    if (division & 0x8000) {
        // SMPTE time: frames per second and ticks per frame (29 means 29.97).
        const int fps = -static_cast<signed char>(division >> 8);
        const int ticksPerFrame = int(division & 0xff);
        const double framesPerSecond = fps == 29 ? 29.97 : fps;
        if (fps <= 0)
            return fail(CorruptedFile);
        return qint64(double(longest) * 1e6 / (framesPerSecond * ticksPerFrame));
    }

    // Ticks per quarter note: sum each stretch of constant tempo.
    quint64 microseconds = 0;
    quint64 tick = 0;
    quint32 tempo = kDefaultTempo;
    for (const auto& [at, newTempo] : tempos) {
        if (at >= longest)
            break;
        microseconds += (at - tick) * tempo / division;
        tick = at;
        tempo = newTempo;
    }
    microseconds += (longest - tick) * tempo / division;
    return qint64(microseconds);
}

MidiAudioReader::MidiAudioReader(const QByteArray& fileSystemPath)
{
    QFile file;
    if (!fs::openFile(file, fileSystemPath, QIODevice::ReadOnly)) {
        m_error = CouldNotOpenFile;
        return;
    }
    if (file.size() > kMaxMidiFileSize) {
        m_error = FormatNotSupported;
        return;
    }
    int error = NoError;
    const qint64 microseconds = durationMicroseconds(file.readAll(), &error);
    if (microseconds < 0) {
        m_error = error;
        return;
    }
    // Whole seconds, rounded up.
    m_durationMs = (microseconds + 999'999) / 1'000'000 * 1000;
}

bool MidiAudioReader::numberProperty(Property property, qint64* value) const
{
    if (m_error != NoError || property != DurationMs || m_durationMs <= 0)
        return false;
    *value = m_durationMs;
    return true;
}

bool MidiAudioReader::textProperty(Property property, QString* value) const
{
    if (m_error != NoError)
        return false;
    if (property == FormatText) {
        *value = QString::fromLatin1(formatDescriptionForExtension("mid"));
        return true;
    }
    if (property == CodecText) {
        *value = QStringLiteral("MIDI");
        return true;
    }
    return false;
}

qint64 MidiAudioReader::readPcm(std::vector<qint16>& samples)
{
    samples.clear();
    return m_error == NoError ? 0 : -1;
}

} // namespace tagmint::audio
