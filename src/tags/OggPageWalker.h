#pragma once
// Our own walk over every page of an Ogg file: whether TagLib may write
// into it.

#include "tags/StructureVerdict.h"

#include <QIODevice>

namespace tagmint::tags::ogg {

// Pages follow each other from the first byte to the last, each whole
// inside the file with a checksum that matches its bytes; one logical
// stream whose first page opens it, whose page numbers count up from 0
// without a gap, and whose last page closes it.
//
// TagLib 1.13 renumbers and re-checksums every page after a comment that
// grows or shrinks by a page, so a damaged page would come out of a save
// with a fresh, valid checksum; it writes only the first stream of a
// chained or multiplexed file. A file cut off anywhere, or holding a second
// stream, is refused.
StructureVerdict checkOgg(QIODevice& device);
StructureVerdict checkOggFile(const QString& path);

// The Ogg checksum (CRC-32, polynomial 0x04C11DB7, not reflected, starting
// at 0) of the bytes.
quint32 oggChecksum(const QByteArray& bytes);

} // namespace tagmint::tags::ogg
