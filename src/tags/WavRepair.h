#pragma once
// Mending a WAV file whose RIFF structure TagLib cannot be trusted with,
// so its tags can be saved: the work is done on a copy, and the file itself
// is replaced only by a copy that has passed every check.

#include <QByteArray>
#include <QString>
#include <optional>

namespace tagmint::tags::wav {

// Repairs the file at `path`. Refused when the file or its folder is locked,
// the file is not writable, the volume has less than five times the file's
// size free, or the copy does not decode with our own WAV reader before and
// after mending. On success the old file stays beside it as path + ".bak"
// (or "NAME.wav (copy 2).bak" and so on when that name is taken: nothing is
// ever replaced) when the folder allows the renames; otherwise the mended
// bytes are written over the file. On failure the file is left byte for byte as it was.
bool repairWavFile(const QString& path);

} // namespace tagmint::tags::wav
