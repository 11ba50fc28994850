#include "cli/InputPath.h"

#include "tags/QZTagLibTag.h"

#include <QDir>
#include <QFileInfo>

namespace tagmint::cli {

QString unusablePathReason(const QString& path)
{
    if (!QZTagLibTag::canHandlePath(path))
        return QStringLiteral("unsupported file type");
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("no such file");
    if (info.isDir())
        return QStringLiteral("is a folder");
    return QString();
}

QString recordPathFor(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

QString displayPathAfterRename(const QString& givenPath, const QString& newPath)
{
    const QString givenDir = QFileInfo(givenPath).path();
    const QString newName = QFileInfo(newPath).fileName();
    // A bare name has "." as its directory; keep it bare.
    if (givenDir == QLatin1String(".") && !givenPath.startsWith(QLatin1String("./")))
        return newName;
    return QDir(givenDir).filePath(newName);
}

} // namespace tagmint::cli
