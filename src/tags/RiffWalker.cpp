#include "tags/RiffWalker.h"

#include <QFile>
#include <QList>
#include <QtEndian>

namespace tagmint::tags::riff {

namespace {

constexpr qint64 kRiffHeaderSize = 12;
constexpr qint64 kChunkHeaderSize = 8;
constexpr quint32 kEmptyInfoListSize = 4;     // "INFO" alone
constexpr quint32 kEmptyDisplaySize = 4 + 2;  // type, then an empty text padded to a word
constexpr quint32 kDisplayTypeText = 1;

// RIFF's filler chunk, which readers skip. Four blanks, an id some readers
// stop at (mutagen), would hide every chunk behind it.
const QByteArray kFillerId("JUNK");

struct Chunk {
    qint64 offset = 0;  // of its header
    QByteArray id;
    quint32 size = 0;   // as declared
    bool overruns = false;

    qint64 end() const { return offset + kChunkHeaderSize + qint64(size); }
};

struct Walk {
    bool isWave = false;
    QList<Chunk> chunks;
    // Just past the last whole chunk and its pad byte.
    qint64 end = kRiffHeaderSize;
};

QByteArray littleEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// TagLib's rule for chunk ids.
bool isChunkId(const QByteArray& id)
{
    if (id.size() != 4)
        return false;
    for (char c : id) {
        if (uchar(c) < 32 || uchar(c) > 127)
            return false;
    }
    return true;
}

// Walks the chunks by their declared sizes up to the end of the file; the
// RIFF size field is ignored, as TagLib and our audio reader ignore it.
// A chunk that runs past the end is the last one walked.
Walk walk(QFile& file)
{
    Walk result;
    const qint64 length = file.size();
    if (!file.seek(0))
        return result;
    const QByteArray header = file.read(kRiffHeaderSize);
    if (header.size() != kRiffHeaderSize || !header.startsWith("RIFF") || header.mid(8, 4) != "WAVE")
        return result;

    qint64 position = kRiffHeaderSize;
    while (position + kChunkHeaderSize <= length) {
        if (!file.seek(position))
            return result;
        const QByteArray chunkHeader = file.read(kChunkHeaderSize);
        if (chunkHeader.size() != kChunkHeaderSize)
            return result;
        Chunk chunk{position, chunkHeader.left(4), qFromLittleEndian<quint32>(chunkHeader.constData() + 4)};
        if (chunk.end() > length) {
            chunk.overruns = true;
            result.chunks.append(chunk);
            result.end = length;
            break;
        }
        result.chunks.append(chunk);
        position = chunk.end();
        // As TagLib reads it: an odd chunk's pad byte counts when it is zero
        // or a chunk id follows it; some writers leave it out.
        if ((chunk.size & 1) && position < length && file.seek(position)) {
            const QByteArray next = file.read(5);
            if (next.startsWith('\0') || isChunkId(next.mid(1)))
                ++position;
        }
        result.end = position;
    }
    result.isWave = true;
    return result;
}

bool writeAt(QFile& file, qint64 offset, const QByteArray& bytes)
{
    return file.seek(offset) && file.write(bytes) == bytes.size();
}

bool isInfoList(QFile& file, const Chunk& chunk)
{
    return chunk.id == "LIST" && file.seek(chunk.offset + kChunkHeaderSize) && file.read(4) == "INFO";
}

QByteArray emptyInfoAndDisplayChunks()
{
    return QByteArray("LIST") + littleEndian32(kEmptyInfoListSize) + QByteArray("INFO")
        + QByteArray("DISP") + littleEndian32(kEmptyDisplaySize) + littleEndian32(kDisplayTypeText)
        + QByteArray(2, '\0');
}

// Where an earlier empty INFO list and "DISP" chunk, both turned into
// filler, lie next to each other: reusing them keeps repeated repairs from
// growing the file.
qint64 reusablePair(const QList<Chunk>& chunks)
{
    for (qsizetype i = 0; i + 1 < chunks.size(); ++i) {
        const Chunk& list = chunks[i];
        const Chunk& display = chunks[i + 1];
        if (list.id == kFillerId && list.size == kEmptyInfoListSize && !list.overruns
            && display.id == kFillerId && display.size == kEmptyDisplaySize && !display.overruns
            && display.offset == list.end())
            return list.offset;
    }
    return -1;
}

} // namespace

WaveCondition checkWaveFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return WaveCondition::NotWave;
    const Walk found = walk(file);
    if (!found.isWave)
        return WaveCondition::NotWave;
    bool format = false;
    bool data = false;
    bool overruns = false;
    for (const Chunk& chunk : found.chunks) {
        format = format || chunk.id == "fmt ";
        data = data || chunk.id == "data";
        overruns = overruns || chunk.overruns;
    }
    if (!format || !data)
        return WaveCondition::NotWave;
    return overruns ? WaveCondition::Damaged : WaveCondition::Intact;
}

bool mendWaveFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    Walk found = walk(file);
    if (!found.isWave || found.chunks.isEmpty())
        return false;

    // Our INFO list replaces the old ones. Other lists (cue labels in
    // "adtl") are no tags and stay.
    for (Chunk& chunk : found.chunks) {
        if (chunk.id == "DISP" || isInfoList(file, chunk)) {
            if (!writeAt(file, chunk.offset, kFillerId))
                return false;
            chunk.id = kFillerId;
        }
    }

    Chunk& last = found.chunks.last();
    if (last.overruns) {
        last.size = quint32(file.size() - last.offset - kChunkHeaderSize);
        last.overruns = false;
        if (!writeAt(file, last.offset + 4, littleEndian32(last.size)))
            return false;
        found.end = last.end();
    }

    qint64 target = reusablePair(found.chunks);
    if (target < 0) {
        // Bytes after the last chunk that are too few for a chunk header
        // would hide anything appended behind them.
        target = found.end;
        if (!file.resize(target))
            return false;
        if (target & 1) {
            if (!writeAt(file, target, QByteArray(1, '\0')))
                return false;
            ++target;
        }
    }
    if (!writeAt(file, target, emptyInfoAndDisplayChunks()))
        return false;

    const qint64 riffSize = file.size() - 8;
    if (riffSize > qint64(0xffffffffu))
        return false;
    if (!writeAt(file, 4, littleEndian32(quint32(riffSize))))
        return false;
    return file.flush();
}

} // namespace tagmint::tags::riff
