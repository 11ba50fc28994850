#pragma once
// Our own walk over every atom of an MP4 family file: whether TagLib may
// write into it.

#include "tags/FileFacts.h"
#include "tags/StructureVerdict.h"

#include <QIODevice>
#include <QList>

namespace tagmint::tags::mp4 {

// Top-level atoms cover the file exactly, "ftyp" (when present) first, one
// "moov" holding "mvhd" and "trak". Every container is walked down to its
// leaves: each atom lies inside its parent, children fill their parent
// exactly, a size of 0 ("to the end") only at the top level and not for
// "moov", 64-bit sizes
// understood. Chunk offset tables ("stco", "co64") hold exactly the entries
// they declare, each pointing into a top-level "mdat" atom; a fragment
// header's base offset lies inside the file, and only the first fragment has
// one (TagLib moves no other); no fragment index ("tfra").
//
// TagLib 1.13 reads a size of 0 anywhere as "to the end of the file" and
// stops reading at the first atom it cannot place; it then saves with the
// offset tables it did not see left stale, or writes as many entries as a
// damaged count declares.
// `chunkOffsets`, when given, receives the entries of every chunk offset
// table in file order, and `mediaData` the payload of every top-level "mdat"
// (both empty when the structure does not hold).
StructureVerdict checkMp4(QIODevice& device, QList<quint64>* chunkOffsets = nullptr,
                          QList<ByteRange>* mediaData = nullptr);
StructureVerdict checkMp4File(const QString& path);

} // namespace tagmint::tags::mp4
