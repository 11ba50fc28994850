#pragma once
// Our own walk over the chunks of an AIFF or AIFC file: whether TagLib may
// write into it.

#include "tags/StructureVerdict.h"

#include <QIODevice>

namespace tagmint::tags::aiff {

// A "FORM" container of form type "AIFF" or "AIFC" holding a "COMM" chunk,
// every chunk whole inside the file and at an even offset, and no chunk id
// TagLib cannot read (see ChunkWalk::layoutProblem). TagLib 1.13 stops
// reading at a chunk that runs past the end and writes its "ID3 " chunk in
// front of it, leaving the sound data outside the FORM.
StructureVerdict checkAiff(QIODevice& device);
StructureVerdict checkAiffFile(const QString& path);

} // namespace tagmint::tags::aiff
