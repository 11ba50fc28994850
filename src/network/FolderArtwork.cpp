#include "network/FolderArtwork.h"

#include "network/ArtworkImage.h"

#include "audio/FormatCatalogue.h"
#include "tags/QZTagLibTag.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace tagmint::network {

namespace {

constexpr int kMaximumDepth = 2;

bool hasImageExtension(const QString& name)
{
    static const QStringList extensions = {QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                           QStringLiteral("png"), QStringLiteral("gif"),
                                           QStringLiteral("bmp")};
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && extensions.contains(name.mid(dot + 1).toLower());
}

bool isAudioFile(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return QZTagLibTag::canHandlePath(name)
        || (dot >= 0 && audio::isKnownFormatExtension(name.mid(dot + 1).toUtf8()));
}

struct FolderEntries {
    QStringList files;     // regular files
    QStringList folders;
};

// The names in a folder, hidden ones and links left out. The entry types
// come with the listing, so a folder of hundreds of songs costs no stat
// per song.
FolderEntries entries(const QString& folder)
{
    FolderEntries result;
    const QByteArray encoded = QFile::encodeName(folder);
    DIR* directory = opendir(encoded.constData());
    if (!directory)
        return result;
    while (const dirent* entry = readdir(directory)) {
        if (entry->d_name[0] == '.')
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat info {};
            if (fstatat(dirfd(directory), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISREG(info.st_mode) ? DT_REG : S_ISDIR(info.st_mode) ? DT_DIR : DT_UNKNOWN;
        }
        if (type == DT_REG)
            result.files.append(QFile::decodeName(entry->d_name));
        else if (type == DT_DIR)
            result.folders.append(QFile::decodeName(entry->d_name));
    }
    closedir(directory);
    result.files.sort();
    result.folders.sort();
    return result;
}

void collect(const QString& folder, int depth, QStringList& found)
{
    const FolderEntries listing = entries(folder);
    if (depth > 0 && std::any_of(listing.files.cbegin(), listing.files.cend(), isAudioFile))
        return;   // an album or disc folder of its own, not artwork of this one
    for (const QString& file : listing.files) {
        if (hasImageExtension(file))
            found.append(folder + QLatin1Char('/') + file);
    }
    if (depth == kMaximumDepth)
        return;
    for (const QString& subfolder : listing.folders)
        collect(folder + QLatin1Char('/') + subfolder, depth + 1, found);
}

int coverWordCount(const QString& fileName)
{
    static const char* const words[] = {"cover", "cvr", "frnt", "fron", "folder", "artwork"};
    const QString lower = fileName.toLower();
    return int(std::count_if(std::begin(words), std::end(words),
                             [&lower](const char* word) { return lower.contains(QLatin1String(word)); }));
}

tags::TagPicture readArtwork(const QString& path)
{
    QFile file(path);
    if (file.size() > kMaximumArtworkBytes || !file.open(QIODevice::ReadOnly))
        return {};
    return decodeArtwork(file.readAll());
}

} // namespace

QStringList artworkCandidates(const QString& folder)
{
    QStringList found;
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

tags::TagPicture folderArtwork(const QString& folder, ArtworkCache& cache)
{
    if (const auto cached = cache.constFind(folder); cached != cache.constEnd())
        return *cached;
    const QString file = chooseArtworkFile(artworkCandidates(folder));
    const tags::TagPicture picture = file.isEmpty() ? tags::TagPicture() : readArtwork(file);
    cache.insert(folder, picture);
    return picture;
}

} // namespace tagmint::network
