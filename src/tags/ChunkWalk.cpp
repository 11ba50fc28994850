#include "tags/ChunkWalk.h"

#include <QtEndian>

namespace tagmint::tags::chunks {

namespace {

constexpr qint64 kZeroScanBlock = 64 * 1024;

// Zero filler some recorders leave after the container.
bool isFiller(QIODevice& device, qint64 from, qint64 declaredEnd)
{
    if (from < declaredEnd || !device.seek(from))
        return false;
    while (!device.atEnd()) {
        const QByteArray block = device.read(kZeroScanBlock);
        if (block.isEmpty() || block.count('\0') != block.size())
            return false;
    }
    return true;
}

quint32 sizeField(const char* bytes, ByteOrder order)
{
    return order == ByteOrder::Little ? qFromLittleEndian<quint32>(bytes)
                                      : qFromBigEndian<quint32>(bytes);
}

} // namespace

const Chunk* ChunkWalk::find(const char* id) const
{
    for (const Chunk& chunk : chunks) {
        if (chunk.id == id)
            return &chunk;
    }
    return nullptr;
}

QString ChunkWalk::layoutProblem(QIODevice& device) const
{
    if (unreadableAt >= 0 && !isFiller(device, unreadableAt, declaredEnd))
        return QStringLiteral("unreadable chunk id at byte %1").arg(unreadableAt);
    if (misalignedAt >= 0)
        return QStringLiteral("a chunk at the odd byte %1 (a pad byte is missing before it)").arg(misalignedAt);
    return QString();
}

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

std::optional<ChunkWalk> walkChunks(QIODevice& device, const char* containerId, ByteOrder order)
{
    if (device.isSequential() || !device.seek(0))
        return std::nullopt;
    const qint64 length = device.size();
    const QByteArray header = device.read(kContainerHeaderSize);
    if (header.size() != kContainerHeaderSize || !header.startsWith(containerId))
        return std::nullopt;

    ChunkWalk walk;
    walk.formType = header.mid(8, 4);
    walk.declaredEnd = 8 + qint64(sizeField(header.constData() + 4, order));
    qint64 position = kContainerHeaderSize;
    while (position + kChunkHeaderSize <= length) {
        if (!device.seek(position))
            return std::nullopt;
        const QByteArray chunkHeader = device.read(kChunkHeaderSize);
        if (chunkHeader.size() != kChunkHeaderSize)
            return std::nullopt;
        Chunk chunk{position, chunkHeader.left(4), sizeField(chunkHeader.constData() + 4, order)};
        if (!isChunkId(chunk.id)) {
            walk.unreadableAt = position;
            break;
        }
        if ((position & 1) && walk.misalignedAt < 0)
            walk.misalignedAt = position;
        if (chunk.end() > length) {
            chunk.overruns = true;
            walk.chunks.append(chunk);
            break;
        }
        walk.chunks.append(chunk);
        position = chunk.end();
        // A chunk ending at an odd offset is followed by a pad byte that
        // counts when it is zero or a chunk id follows it; some writers
        // leave it out. TagLib goes by the offset, not the chunk's size.
        if ((position & 1) && position < length && device.seek(position)) {
            const QByteArray next = device.read(5);
            if (next.startsWith('\0') || isChunkId(next.mid(1)))
                ++position;
        }
        walk.end = position;
    }
    return walk;
}

} // namespace tagmint::tags::chunks
