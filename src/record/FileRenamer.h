#pragma once
// Renaming a media file after its edited name: length limit, lower-case
// extension, collision suffixes, never overwriting anything.

#include <QString>
#include <optional>

namespace tagmint::record {

// The name cut so that its UTF-8 form stays below 240 bytes; "File Name"
// when nothing is left.
QString fileSystemName(const QString& name);

// Renames oldPath to <dir>/<name><.ext in lower case>, with " 2" ... " 1024"
// appended to the name when the target exists. The new path, or nullopt on
// any failure (the file then keeps its old name).
std::optional<QString> renameFile(const QString& oldPath, const QString& name);

} // namespace tagmint::record
