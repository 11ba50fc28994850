#pragma once
// The folder part of a window's title: the deepest folders most records
// share, and the title built from it.

#include "collection/RecordList.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tagmint::collection {

struct Caption {
    QString text;     // "Album", "Album, Other Album" or "%i files"
    QString folder;   // the folder the window represents, or ""
};

// Nothing for no paths. Each path's folder and the five above it are
// counted; of those at least two levels below the root, the most common
// (the longer path on a tie) names the caption, joined by the others of
// the same depth.
std::optional<Caption> captionFoldersForPaths(const QStringList& paths);
std::optional<Caption> captionFolders(const RecordList& records);

// "%@ (%i file%@)", or the application's name alone without records.
QString windowTitle(const QString& applicationName, const std::optional<Caption>& caption,
                    qint64 recordCount);

} // namespace tagmint::collection
