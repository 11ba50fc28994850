#pragma once
// Checks of the file paths given on the command line before a record is
// made for them.

#include <QString>

namespace tagmint::cli {

// Why no record can be made for the path ("unsupported file type", ...);
// empty when it can.
QString unusablePathReason(const QString& path);

// The absolute form the record is loaded from, so its folder and path
// fields do not depend on the working directory.
QString recordPathFor(const QString& path);

// newPath shown in the directory spelling of the given path: a file given
// as "music/a.mp3" and renamed reads "music/b.mp3", not an absolute path.
QString displayPathAfterRename(const QString& givenPath, const QString& newPath);

} // namespace tagmint::cli
