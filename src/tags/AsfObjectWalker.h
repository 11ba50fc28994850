#pragma once
// Our own walk over the objects of an ASF (WMA) file: whether TagLib may
// write into it.

#include "tags/FileFacts.h"
#include "tags/StructureVerdict.h"

#include <QIODevice>

namespace tagmint::tags::asf {

// A header object first, its children filling it exactly and as many as
// it counts, the objects of a header extension filling their data exactly,
// and the top-level objects (header, data, indexes) covering the file
// exactly, each at least as large as an object header; the content
// description's texts and the attributes of the extended content
// description, metadata and metadata library objects filling their object
// exactly, read as TagLib reads them.
//
// TagLib 1.13 reads child objects by their stated sizes without checking
// them against their parent, and rewrites the whole header object on save:
// a size that lies makes it copy the wrong bytes into the new header.
// `audio`, when given, receives what follows the header object: the data
// object and the indexes, which TagLib moves as they are.
StructureVerdict checkAsf(QIODevice& device, ByteRange* audio = nullptr);
StructureVerdict checkAsfFile(const QString& path, ByteRange* audio = nullptr);

// The whole size of the padding object among the children of `header` (a
// header object TagLib rendered), 0 when it has none.
qint64 paddingSize(const QByteArray& header);
// `header` with a padding object of `size` bytes in all (at least an object
// header; 0 for none), resized where it is or added as the last child.
QByteArray withPadding(const QByteArray& header, qint64 size);

} // namespace tagmint::tags::asf
