#include "record/FileRenamer.h"

#include "util/FileSystem.h"
#include "util/TextConversion.h"

#include <sys/stat.h>

namespace tagmint::record {

namespace {

// File-system names stay below this many bytes of UTF-8, leaving room for
// a collision suffix and the extension within the usual 255-byte limit.
constexpr qsizetype kNameByteLimit = 240;
// How many characters each cut removes beyond the character limit.
constexpr qsizetype kCutMargin = 12;
constexpr int kLastCollisionSuffix = 1024;

bool pathExists(const QByteArray& path)
{
    struct stat info;
    return ::lstat(path.constData(), &info) == 0;
}

QString trimLineBreaks(const QString& text)
{
    auto isLineBreak = [](QChar c) {
        return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(0x2028)
            || c == QChar(0x2029) || c == QChar(0x85) || c == QChar(0x0B) || c == QChar(0x0C);
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isLineBreak(text[begin]))
        ++begin;
    while (end > begin && isLineBreak(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// The extension of the last path component, with its dot, in lower case.
QString lowerCaseExtension(const QString& path)
{
    const qsizetype separator = qMax(path.lastIndexOf(QLatin1Char('/')),
                                     path.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= separator)
        return QString();
    return path.mid(dot).toLower();
}

QString directoryOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral(".");
    if (slash == 0)
        return QString();   // the root: the target becomes "/name.ext"
    return path.left(slash);
}

} // namespace

QString fileSystemName(const QString& name)
{
    QString result = name;
    while (result.toUtf8().size() >= kNameByteLimit) {
        qsizetype cut = qMin(result.size(), kNameByteLimit) - kCutMargin;
        if (cut < 1)
            break;
        // Never split a surrogate pair.
        if (result[cut - 1].isHighSurrogate())
            --cut;
        result.truncate(cut);
        if (result.isEmpty())
            break;
    }
    if (result.isEmpty())
        return QStringLiteral("File Name");
    return result;
}

std::optional<QString> renameFile(const QString& oldPath, const QString& name)
{
    const QString trimmed = trimLineBreaks(name);
    if (trimmed.isEmpty() || oldPath.isEmpty())
        return std::nullopt;

    const QByteArray oldFsPath = text::toFileSystemPath(oldPath);
    if (!pathExists(oldFsPath))
        return std::nullopt;

    const QString base = directoryOf(oldPath) + QLatin1Char('/') + fileSystemName(trimmed);
    const QString extension = lowerCaseExtension(oldPath);

    QString target = base + extension;
    for (int suffix = 2; pathExists(text::toFileSystemPath(target)); ++suffix) {
        if (suffix > kLastCollisionSuffix)
            return std::nullopt;
        target = QStringLiteral("%1 %2%3").arg(base).arg(suffix).arg(extension);
    }

    const QByteArray targetFsPath = text::toFileSystemPath(target);
    if (!fs::renameNoReplace(oldFsPath, targetFsPath) || !pathExists(targetFsPath))
        return std::nullopt;
    return text::fromFileSystemPath(targetFsPath);
}

} // namespace tagmint::record
