#pragma once
// File-system steps several subsystems share.

#include <QByteArray>

namespace tagmint::fs {

// Renames `from` to `to` only when nothing (not even a link) is at `to`;
// false with errno set otherwise. Atomic where the file system supports it,
// else a check just before the rename.
bool renameNoReplace(const QByteArray& from, const QByteArray& to);

} // namespace tagmint::fs
