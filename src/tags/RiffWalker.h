#pragma once
// Our own walk over the chunks of a RIFF WAVE file: judging whether TagLib
// may write into it, and mending the structure of a damaged copy.

#include <QIODevice>
#include <QString>

namespace tagmint::tags::riff {

enum class WaveCondition {
    // No "RIFF"/"WAVE" header, unreadable, without "fmt " and "data", or
    // chunks TagLib cannot be trusted to write around (an unreadable id, a
    // chunk at an odd offset; see ChunkWalk::layoutProblem).
    NotWave,
    // A chunk runs past the end of the file: readable, but TagLib 1.13
    // would write new chunks in front of it and leave the file damaged.
    Damaged,
    Intact,
};

// Check-only mode: reads the headers, changes nothing. `problem` receives
// what makes the file NotWave or Damaged.
WaveCondition checkWave(QIODevice& device, QString* problem = nullptr);
WaveCondition checkWaveFile(const QString& path, QString* problem = nullptr);

// Writing mode, meant for a scratch copy: turns the INFO lists and "DISP"
// chunks into "JUNK" filler, cuts a chunk that runs past the end to the
// bytes that remain, writes an empty INFO list and an empty "DISP" chunk
// (into such a pair, turned to filler, or at the end) and sets the RIFF size
// to the file's length. False when the file is no RIFF WAVE or cannot be written;
// the file may then be half changed.
bool mendWaveFile(const QString& path);

} // namespace tagmint::tags::riff
