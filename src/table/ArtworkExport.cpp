#include "table/ArtworkExport.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace tagmint::table {

namespace {

constexpr int kLastCopyNumber = 1024;

} // namespace

std::optional<QString> uniqueFileName(const QString& folder, const QString& name,
                                      const QString& extension)
{
    const QFileInfo info(name);
    const QString base = info.completeBaseName();
    const QString suffix = extension.isEmpty() && !info.suffix().isEmpty()
        ? QLatin1Char('.') + info.suffix()
        : extension;
    const QDir dir(folder);
    for (int n = 1; n <= kLastCopyNumber; ++n) {
        const QString candidate = n == 1
            ? dir.filePath(base + suffix)
            : dir.filePath(QStringLiteral("%1 (copy %2)%3").arg(base).arg(n).arg(suffix));
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink())
            return candidate;
    }
    return std::nullopt;
}

std::optional<QString> exportArtwork(const QImage& image, const QString& folder)
{
    if (image.isNull() || !QFileInfo(folder).isDir())
        return std::nullopt;
    const std::optional<QString> target =
        uniqueFileName(folder, QStringLiteral("artwork.jpg"), QStringLiteral(".jpg"));
    if (!target)
        return std::nullopt;
    // Written under a temporary name first, so a failure leaves no half file.
    QSaveFile file(*target);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "JPEG") || !file.commit())
        return std::nullopt;
    return target;
}

} // namespace tagmint::table
