#include "collection/PathGathering.h"

#include "record/PathLock.h"
#include "tags/QZTagLibTag.h"
#include "util/FileSystem.h"
#include "util/TextConversion.h"

#include <QCollator>
#include <QLocale>
#include <QSet>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace tagmint::collection {

namespace {

// Walks folders without following links. Folders are remembered by device
// and inode, so a bind mount that contains itself is read once.
class FolderWalker {
public:
    FolderWalker(QStringList& out, const std::function<bool()>& shouldStop)
        : m_out(out), m_shouldStop(shouldStop)
    {
    }

    // False when a stop was requested.
    bool walk(const QByteArray& root)
    {
        std::vector<QByteArray> pending{root};
        while (!pending.empty()) {
            const QByteArray folder = std::move(pending.back());
            pending.pop_back();
            if (!readFolder(folder, pending))
                return false;
        }
        return true;
    }

    bool take(const QByteArray& path)
    {
        m_out.append(text::fromFileSystemPath(path));
        return !(m_shouldStop && m_shouldStop());
    }

private:
    bool readFolder(const QByteArray& folder, std::vector<QByteArray>& pending)
    {
        DIR* dir = ::opendir(folder.constData());
        if (!dir)
            return true;   // unreadable or vanished: nothing to take
        struct stat own;
        if (::fstat(::dirfd(dir), &own) != 0 || !m_seen.insert({own.st_dev, own.st_ino}).second) {
            ::closedir(dir);
            return true;
        }
        const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
        bool goOn = true;
        while (goOn) {
            const dirent* entry = ::readdir(dir);
            if (!entry)
                break;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat info;
                if (::fstatat(::dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                type = S_ISREG(info.st_mode) ? DT_REG : S_ISDIR(info.st_mode) ? DT_DIR : DT_UNKNOWN;
            }
            if (type == DT_REG)
                goOn = take(prefix + name);
            else if (type == DT_DIR)
                pending.push_back(prefix + name);
        }
        ::closedir(dir);
        return goOn;
    }

    QStringList& m_out;
    const std::function<bool()>& m_shouldStop;
    std::set<std::pair<dev_t, ino_t>> m_seen;
};

bool isHidden(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return path.size() > slash + 1 && path.at(slash + 1) == QLatin1Char('.');
}

} // namespace

QStringList expandPaths(const QStringList& paths, const std::function<bool()>& shouldStop)
{
    QStringList files;
    FolderWalker walker(files, shouldStop);
    for (const QString& given : paths) {
        if (given.isEmpty())
            continue;
        const QString path = fs::absolutePath(given);
        const QByteArray native = text::toFileSystemPath(path);
        struct stat info;
        if (::stat(native.constData(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            if (!walker.walk(native))
                break;
        } else if (S_ISREG(info.st_mode)) {
            if (!walker.take(native))
                break;
        }
    }
    return files;
}

GatheredPaths gatherPaths(const QStringList& paths, const GatheringOptions& options)
{
    if (options.unlock) {
        FileFlagsAccess& access = options.flags ? *options.flags : LinuxFileFlags::instance();
        for (const QString& path : paths) {
            const QString absolute = fs::absolutePath(path);
            if (!path.isEmpty() && record::isPathLocked(absolute, access))
                record::unlockPath(absolute, access);
        }
    }

    const QStringList expanded = expandPaths(paths, options.shouldStop);

    GatheredPaths gathered;
    QSet<QString> seen;
    seen.reserve(expanded.size());
    for (const QString& path : expanded) {
        if (path.isEmpty() || seen.contains(path))
            continue;
        seen.insert(path);
        if (isHidden(path))
            continue;
        if (QZTagLibTag::canHandlePath(path))
            gathered.paths.append(path);
        else
            ++gathered.unsupported;
    }

    const qint64 room = std::max<qint64>(0, options.limit - options.existingCount);
    if (gathered.paths.size() > room)
        gathered.paths.resize(room);

    sortPathsForIntake(gathered.paths);
    return gathered;
}

void sortPathsForIntake(QStringList& paths)
{
    // Keys once per path instead of a collation per comparison. The C locale
    // has no collation (Qt then compares code units and ignores the case
    // setting), so there the keys are the case-folded paths.
    const QLocale locale;
    const bool collate = locale.language() != QLocale::C;
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);

    std::vector<std::pair<QCollatorSortKey, qsizetype>> collated;
    std::vector<std::pair<QString, qsizetype>> folded;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (collate)
            collated.emplace_back(collator.sortKey(paths.at(i)), i);
        else
            folded.emplace_back(paths.at(i).toCaseFolded(), i);
    }
    std::stable_sort(collated.begin(), collated.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    std::stable_sort(folded.begin(), folded.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    QStringList sorted;
    sorted.reserve(paths.size());
    for (const auto& key : collated)
        sorted.append(paths.at(key.second));
    for (const auto& key : folded)
        sorted.append(paths.at(key.second));
    paths = std::move(sorted);
}

} // namespace tagmint::collection
