#include "collection/DroppedFiles.h"

#include "tags/QZTagLibTag.h"
#include "util/FileSystem.h"

#include <QFileInfo>

namespace tagmint::collection {

namespace {

QString withoutControlCharacters(const QString& name)
{
    qsizetype first = 0;
    qsizetype last = name.size();
    while (first < last && name.at(first).category() == QChar::Other_Control)
        ++first;
    while (last > first && name.at(last - 1).category() == QChar::Other_Control)
        --last;
    return name.mid(first, last - first);
}

} // namespace

QStringList droppedFiles(const QStringList& names)
{
    QStringList paths;
    for (const QString& name : names) {
        const QString path = withoutControlCharacters(name);
        if (fs::kindOf(path) != fs::PathKind::Missing)
            paths.append(path);
    }
    return paths;
}

QStringList droppedFilesSupportedByTagRecord(const QStringList& names)
{
    const QStringList& extensions = QZTagLibTag::supportedExtensions();
    QStringList paths;
    for (const QString& path : droppedFiles(names)) {
        if (fs::kindOf(path) == fs::PathKind::Folder
            || extensions.contains(QFileInfo(path).suffix().toLower()))
            paths.append(path);
    }
    return paths;
}

} // namespace tagmint::collection
