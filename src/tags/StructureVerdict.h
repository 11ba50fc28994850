#pragma once
// The answer of one of our own structure walks over a media file: whether
// its layout can be trusted to TagLib for writing, and if not, why, in words
// the user is shown.

#include <QIODevice>
#include <QString>

namespace tagmint::tags {

struct StructureVerdict {
    // Empty when the structure holds.
    QString problem;

    bool holds() const { return problem.isEmpty(); }
};

// Runs a walk over the file at the path; a file that cannot be opened does
// not hold.
StructureVerdict checkFileWith(const QString& path, StructureVerdict (*walk)(QIODevice&));

// Where a stream begins that may sit behind an ID3v2 tag: just past the
// tag (and its footer) when the device starts with one, else 0.
qint64 offsetAfterID3v2Tag(QIODevice& device);

// The verdict of the walk for the path's container (by extension): MP4,
// AIFF, WAV, Ogg, APE or ASF. Containers without a walk of their own
// (MPEG, FLAC, TrueAudio) hold.
StructureVerdict checkFileStructure(const QString& path);

} // namespace tagmint::tags
