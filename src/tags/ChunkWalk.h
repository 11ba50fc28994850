#pragma once
// The chunk list of a RIFF ("WAVE") or IFF ("AIFF", "AIFC") file, walked
// exactly as TagLib 1.13 walks it, so our checks see what TagLib will write
// around.

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>
#include <optional>

namespace tagmint::tags::chunks {

enum class ByteOrder { Little, Big };

constexpr qint64 kContainerHeaderSize = 12;  // id, size, form type
constexpr qint64 kChunkHeaderSize = 8;       // id, size

struct Chunk {
    qint64 offset = 0;  // of its header
    QByteArray id;
    quint32 size = 0;   // as declared
    bool overruns = false;

    qint64 end() const { return offset + kChunkHeaderSize + qint64(size); }
};

struct ChunkWalk {
    QByteArray formType;
    // Where the container ends by its size field.
    qint64 declaredEnd = 0;
    QList<Chunk> chunks;
    // Just past the last whole chunk and its pad byte.
    qint64 end = kContainerHeaderSize;
    // Where a chunk header TagLib cannot read (its id is not four printable
    // bytes) begins, or -1. TagLib stops there and treats everything after
    // as absent.
    qint64 unreadableAt = -1;
    // Where the first chunk at an odd offset begins (the chunk before it
    // lacks its pad byte), or -1. TagLib reads such files, but a tag chunk
    // it resizes in front of them shifts them by an odd count, and the pad
    // bytes that follow them then read as the start of the next chunk.
    qint64 misalignedAt = -1;

    // The first chunk with the id, or nullptr.
    const Chunk* find(const char* id) const;
    // What makes the chunks unfit for TagLib to write around, or an empty
    // text: an unreadable id where more than zero filler after the end of
    // the container follows (TagLib would write its chunks there and leave
    // whatever follows outside the structure), or a chunk at an odd offset.
    QString layoutProblem(QIODevice& device) const;
};

// Walks the chunks by their declared sizes from the container header to the
// end of the file; the container's own size field is not used, as TagLib
// does not use it. The walk ends at a chunk running past the end of the file
// (the last chunk, marked `overruns`), at an unreadable chunk id, or when
// too few bytes remain for a chunk header. nullopt when the device does not
// start with `containerId`, cannot be read, or is no file-sized device.
std::optional<ChunkWalk> walkChunks(QIODevice& device, const char* containerId, ByteOrder order);

// TagLib's rule for chunk ids: four bytes from 32 to 127.
bool isChunkId(const QByteArray& id);

} // namespace tagmint::tags::chunks
