#include "network/FolderArtwork.h"

#include "audio/FormatCatalogue.h"
#include "tags/QZTagLibTag.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace tagmint::network {

namespace {

constexpr int kMaximumDepth = 2;

bool isImageFile(const QFileInfo& file)
{
    static const QStringList extensions = {QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                           QStringLiteral("png"), QStringLiteral("gif"),
                                           QStringLiteral("bmp")};
    return extensions.contains(file.suffix().toLower());
}

bool isAudioFile(const QFileInfo& file)
{
    return QZTagLibTag::canHandlePath(file.fileName())
        || audio::isKnownFormatExtension(file.suffix().toUtf8());
}

// Regular files and folders of one folder, hidden ones and links left out.
QFileInfoList entries(const QString& folder, QDir::Filters kind)
{
    return QDir(folder).entryInfoList(kind | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
}

void collect(const QString& folder, int depth, QStringList& found)
{
    const QFileInfoList files = entries(folder, QDir::Files);
    if (depth > 0 && std::any_of(files.cbegin(), files.cend(), isAudioFile))
        return;   // an album or disc folder of its own, not artwork of this one
    for (const QFileInfo& file : files) {
        if (isImageFile(file))
            found.append(file.filePath());
    }
    if (depth == kMaximumDepth)
        return;
    for (const QFileInfo& subfolder : entries(folder, QDir::Dirs))
        collect(subfolder.filePath(), depth + 1, found);
}

int coverWordCount(const QString& fileName)
{
    static const char* const words[] = {"cover", "cvr", "frnt", "fron", "folder", "artwork"};
    const QString lower = fileName.toLower();
    return int(std::count_if(std::begin(words), std::end(words),
                             [&lower](const char* word) { return lower.contains(QLatin1String(word)); }));
}

// JPEG decoders paint the missing part of a cut file grey and report
// success; a complete file ends its last scan with the end-of-image marker.
bool isCutJpeg(const QByteArray& bytes)
{
    if (!bytes.startsWith("\xFF\xD8"))
        return false;
    return bytes.lastIndexOf("\xFF\xD9") < bytes.lastIndexOf("\xFF\xDA");
}

QImage readArtwork(const QString& path)
{
    QFile file(path);
    if (file.size() > kMaximumArtworkFileBytes || !file.open(QIODevice::ReadOnly))
        return QImage();
    QByteArray bytes = file.readAll();
    if (isCutJpeg(bytes))
        return QImage();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > kMaximumArtworkPixels)
        return QImage();
    QImage image;
    if (!reader.read(&image))
        return QImage();
    return image;
}

} // namespace

QStringList artworkCandidates(const QString& folder)
{
    QStringList found;
    if (!QFileInfo(folder).isDir())
        return found;
    collect(QDir::cleanPath(folder), 0, found);
    std::stable_sort(found.begin(), found.end(), [](const QString& a, const QString& b) {
        return a.lastIndexOf(QLatin1Char('/')) < b.lastIndexOf(QLatin1Char('/'));
    });
    return found;
}

QString chooseArtworkFile(const QStringList& candidates)
{
    static const QStringList exactNames = {QStringLiteral("front"), QStringLiteral("folder"),
                                           QStringLiteral("artwork")};
    for (const QString& candidate : candidates) {
        if (exactNames.contains(QFileInfo(candidate).completeBaseName().toLower()))
            return candidate;
    }
    QString best;
    int bestCount = 0;
    for (const QString& candidate : candidates) {
        const int count = coverWordCount(QFileInfo(candidate).fileName());
        if (count > bestCount) {
            best = candidate;
            bestCount = count;
        }
    }
    if (best.isEmpty() && !candidates.isEmpty())
        return candidates.first();
    return best;
}

QImage folderArtwork(const QString& folder, ArtworkCache& cache)
{
    if (const auto cached = cache.constFind(folder); cached != cache.constEnd())
        return *cached;
    const QString file = chooseArtworkFile(artworkCandidates(folder));
    const QImage image = file.isEmpty() ? QImage() : readArtwork(file);
    cache.insert(folder, image);
    return image;
}

} // namespace tagmint::network
