#pragma once
// What several benchmarks measure against: the plain TagLib loop that reads
// the fields a record reads, and the heap in use.

#include <QString>
#include <QtGlobal>
#include <vector>

namespace tagmint::bench {

// Reads, straight from TagLib and keeping nothing, the fields a record
// loads from each MP3. Returns a checksum so the reads are not optimised away.
qint64 plainTagLibLoop(const std::vector<QString>& paths);

// The same for files of any format TagLib knows: the generic fields and the
// whole property map of each, through TagLib's FileRef.
qint64 plainTagLibLoopAnyFormat(const std::vector<QString>& paths);

// Bytes the allocator has handed out and not got back.
qint64 heapInUseBytes();

// The calling thread's own processor time: on a busy machine the wall
// clock also counts the time other processes took.
double threadCpuMilliseconds();

} // namespace tagmint::bench
