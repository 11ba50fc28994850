#include "FuzzSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace tagmint::fuzz {

void expect(bool holds, const char* promise, const QString& detail)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken promise: %s%s%s\n", promise, detail.isEmpty() ? "" : ": ",
                 detail.toLocal8Bit().constData());
    std::abort();
}

QString scratchFile(const QByteArray& bytes, const QString& name)
{
    static QTemporaryDir folder;
    const QString path = folder.filePath(name);
    QFile file(path);
    expect(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(),
           "the scratch file can be written", path);
    return path;
}

QByteArray chunkPayload(const QByteArray& file, const char* container, tags::chunks::ByteOrder order,
                        const char* id)
{
    ByteDevice bytes(file);
    const std::optional<tags::chunks::ChunkWalk> walk = tags::chunks::walkChunks(bytes.device(), container, order);
    const tags::chunks::Chunk* chunk = walk ? walk->find(id) : nullptr;
    if (!chunk)
        return QByteArray();
    return file.mid(chunk->offset + tags::chunks::kChunkHeaderSize, chunk->size);
}

QString growingTitle()
{
    return QString(3000, QLatin1Char('t'));
}

} // namespace tagmint::fuzz
