#include "collection/DroppedFiles.h"

#include "tags/QZTagLibTag.h"

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
        if (!path.isEmpty() && QFileInfo::exists(path))
            paths.append(path);
    }
    return paths;
}

QStringList droppedFilesSupportedByTagRecord(const QStringList& names)
{
    const QStringList& extensions = QZTagLibTag::supportedExtensions();
    QStringList paths;
    for (const QString& path : droppedFiles(names)) {
        const QFileInfo info(path);
        if (info.isDir() || extensions.contains(info.suffix().toLower()))
            paths.append(path);
    }
    return paths;
}

} // namespace tagmint::collection
