#pragma once
// Small facts about a media file that the tag wrappers, the record and the
// safe save pass around.

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

} // namespace tagmint::tags
