#include "table/ArtworkExport.h"

#include "util/FileSystem.h"
#include "util/TextConversion.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

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
        if (!fs::isTaken(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::optional<QString> exportArtwork(const QImage& image, const QString& folder)
{
    if (image.isNull() || fs::kindOf(folder) != fs::PathKind::Folder)
        return std::nullopt;
    const std::optional<QString> target =
        uniqueFileName(folder, QStringLiteral("artwork.jpg"), QStringLiteral(".jpg"));
    if (!target)
        return std::nullopt;
    // Written under a hidden name first, so a failure leaves no half file.
    fs::UniqueFile file(folder, ".artwork-", ".jpg", 0666);
    if (!file.isOpen() || !image.save(&file.file(), "JPEG") || !file.file().flush()
        || ::fsync(file.file().handle()) != 0
        || !fs::renameNoReplace(file.fileSystemPath(), text::toFileSystemPath(*target)))
        return std::nullopt;
    file.keep();
    return target;
}

} // namespace tagmint::table
