#include "tags/RiffWalker.h"

#include "tags/ChunkWalk.h"
#include "tags/WindowedFile.h"
#include "util/FileSystem.h"
#include "util/TextConversion.h"

#include <QFile>
#include <QList>
#include <QtEndian>

namespace tagmint::tags::riff {

namespace {

using chunks::Chunk;
using chunks::ChunkWalk;

constexpr quint32 kEmptyInfoListSize = 4;     // "INFO" alone
constexpr quint32 kEmptyDisplaySize = 4 + 2;  // type, then an empty text padded to a word
constexpr quint32 kDisplayTypeText = 1;

// RIFF's filler chunk, which readers skip. Four blanks, an id some readers
// stop at (mutagen), would hide every chunk behind it.
const QByteArray kFillerId("JUNK");

QByteArray littleEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

std::optional<ChunkWalk> walkWave(QIODevice& device)
{
    std::optional<ChunkWalk> walk = chunks::walkChunks(device, "RIFF", chunks::ByteOrder::Little);
    if (!walk || walk->formType != "WAVE")
        return std::nullopt;
    return walk;
}

WaveCondition judge(QIODevice& device, QString* problem)
{
    const std::optional<ChunkWalk> found = walkWave(device);
    if (!found) {
        *problem = QStringLiteral("not a RIFF WAVE file");
        return WaveCondition::NotWave;
    }
    *problem = found->layoutProblem(device);
    if (!problem->isEmpty())
        return WaveCondition::NotWave;
    if (!found->find("fmt ") || !found->find("data")) {
        *problem = QStringLiteral("no \"fmt \" or no \"data\" chunk");
        return WaveCondition::NotWave;
    }
    if (!found->chunks.isEmpty() && found->chunks.last().overruns) {
        *problem = QStringLiteral("the \"%1\" chunk runs past the end of the file")
                       .arg(QString::fromLatin1(found->chunks.last().id));
        return WaveCondition::Damaged;
    }
    return WaveCondition::Intact;
}

bool writeAt(QFile& file, qint64 offset, const QByteArray& bytes)
{
    return file.seek(offset) && file.write(bytes) == bytes.size();
}

bool isInfoList(QFile& file, const Chunk& chunk)
{
    return chunk.id == "LIST" && file.seek(chunk.offset + chunks::kChunkHeaderSize)
        && file.read(4) == "INFO";
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

WaveCondition checkWave(QIODevice& device, QString* problem)
{
    QString ignored;
    return judge(device, problem ? problem : &ignored);
}

WaveCondition checkWaveFile(const QString& path, QString* problem)
{
    WindowedFile file(path);
    if (!file.open()) {
        if (problem)
            *problem = file.errorString();
        return WaveCondition::NotWave;
    }
    return checkWave(file, problem);
}

bool mendWaveFile(const QString& path)
{
    QFile file;
    if (!fs::openFile(file, text::toFileSystemPath(path), QIODevice::ReadWrite))
        return false;
    std::optional<ChunkWalk> found = walkWave(file);
    // Only a cut last chunk is mended; bytes TagLib cannot read are not
    // ours to drop.
    if (!found || found->chunks.isEmpty() || !found->layoutProblem(file).isEmpty())
        return false;

    // Our INFO list replaces the old ones. Other lists (cue labels in
    // "adtl") are no tags and stay.
    for (Chunk& chunk : found->chunks) {
        if (chunk.id == "DISP" || isInfoList(file, chunk)) {
            if (!writeAt(file, chunk.offset, kFillerId))
                return false;
            chunk.id = kFillerId;
        }
    }

    Chunk& last = found->chunks.last();
    if (last.overruns) {
        last.size = quint32(file.size() - last.offset - chunks::kChunkHeaderSize);
        last.overruns = false;
        if (!writeAt(file, last.offset + 4, littleEndian32(last.size)))
            return false;
        found->end = last.end();
    }

    qint64 target = reusablePair(found->chunks);
    if (target < 0) {
        // Bytes after the last chunk that are too few for a chunk header
        // would hide anything appended behind them.
        target = found->end;
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
