#pragma once
// Puts what a CopyOnWriteStream holds into its file so that a crash, a full
// disk or a failed check leaves either the whole new file or the untouched
// original:
// - only same-length overwrites (a tag that fits its padding): written in
//   place, every write checked, then flushed; the old bytes are put back
//   when a write, the flush or the read-back fails;
// - changes after the audio only (a tag at the end of the file), up to
//   16 MB: the new end is written over the old one and the length set, the
//   same way; the audio itself is never written;
// - anything else: the new file is written beside the original (an unnamed
//   file in the same folder), flushed, checked, given the original's mode,
//   owner, group and extended attributes, and renamed over it. A link is
//   followed: the file it names is replaced in that file's folder. A file
//   with other hard links, one whose owner we could not keep and one in a
//   folder that refuses new files are written over in place instead, from a
//   copy of the old bytes that puts them back on failure.

#include "tags/FileFacts.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace tagmint::tags {

class CopyOnWriteStream;
class LockedFile;

struct CommitChecks {
    // Where the original keeps its audio: the ranges must come through
    // byte for byte, and the pointers must name the same bytes afterwards.
    AudioLayout audio;
    // Whether the file at the path (the new file, before it takes the
    // original's place) opens as a file of its kind; if so, it gives that
    // file's audio layout, whose pointers are checked.
    std::function<bool(const QString& path, AudioLayout* layout)> readsBack;
};

// Empty when the file now holds what the stream holds; otherwise why it was
// left as it was. Either way the stream then starts over from the file.
QString commitStream(LockedFile& file, CopyOnWriteStream& stream, const CommitChecks& checks);

// Whether files in `folder` may be replaced by renames (append-only and
// immutable folders refuse them, and the removal of names).
bool folderAllowsRenames(const QByteArray& folder);

// Bytes an unprivileged writer may still use on the volume of `folder`;
// nullopt when that cannot be told.
using FreeSpaceProbe = std::optional<quint64> (*)(const QByteArray& folder);

// statvfs: available blocks times the fragment size.
std::optional<quint64> volumeFreeSpace(const QByteArray& folder);
// Through the probe in use.
std::optional<quint64> freeSpaceIn(const QByteArray& folder);
// Lets tests stand in for a full volume; returns the probe it replaces.
FreeSpaceProbe setFreeSpaceProbe(FreeSpaceProbe probe);

} // namespace tagmint::tags
