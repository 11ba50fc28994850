#pragma once
// Small facts about a media file that the tag wrappers, the record and the
// safe save pass around.

#include <QList>
#include <QtGlobal>
#include <sys/types.h>

namespace tagmint::tags {

// What identifies one state of a file: a save by anyone changes it.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// Bytes [offset, offset + length) of a file.
struct ByteRange {
    qint64 offset = 0;
    qint64 length = 0;
};

// Where a media file keeps its audio.
struct AudioLayout {
    // The bytes that hold it: a save must carry them over unchanged.
    QList<ByteRange> ranges;
    // Positions inside them that the container's own tables name (the
    // chunk offsets of an MP4 file), in table order: after a save they must
    // name the same bytes wherever those went.
    QList<quint64> pointers;
};

} // namespace tagmint::tags
