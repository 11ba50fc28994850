#pragma once
// Which dropped or chosen paths a window can open: existing folders and
// files of a supported extension, named without control characters.

#include <QStringList>

namespace tagmint::collection {

// Each name trimmed of control characters; empty and missing ones dropped.
QStringList droppedFiles(const QStringList& names);
// Of those, the folders and the files a tag wrapper handles.
QStringList droppedFilesSupportedByTagRecord(const QStringList& names);

} // namespace tagmint::collection
