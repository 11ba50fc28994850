#include "collection/CaptionFolders.h"

#include "collection/CountPhrase.h"

#include "record/QZTagLibRecord.h"
#include "util/TextConversion.h"

#include <QHash>
#include <algorithm>
#include <vector>

namespace tagmint::collection {

namespace {

constexpr int kLevels = 6;
constexpr int kMinimumDepth = 3;

// The path without its last component: "/a/b" -> "/a", "/a" -> "/",
// "/" -> "/", "a" -> "".
QStringView parentOf(QStringView path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringView();
    if (slash == 0)
        return path.left(1);
    return path.left(slash);
}

// Path components, the root counting as one.
int depthOf(QStringView path)
{
    int depth = path.startsWith(QLatin1Char('/')) ? 1 : 0;
    bool inComponent = false;
    for (const QChar c : path) {
        if (c == QLatin1Char('/')) {
            inComponent = false;
        } else if (!inComponent) {
            inComponent = true;
            ++depth;
        }
    }
    return depth;
}

// Folder paths come from parentOf, so they end in a component.
QString lastComponent(QStringView path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1).toString();
}

} // namespace

std::optional<Caption> captionFoldersForPaths(const QStringList& paths)
{
    if (paths.isEmpty())
        return std::nullopt;

    // Files of one folder usually follow each other: count each run of them
    // once instead of hashing every folder above every file.
    QHash<QStringView, int> counts;
    auto countRun = [&counts](QStringView folder, int files) {
        for (int level = 0; level < kLevels && !folder.isEmpty(); ++level) {
            counts[folder] += files;
            folder = parentOf(folder);
        }
    };
    QStringView runFolder;
    int runLength = 0;
    for (const QString& path : paths) {
        const QStringView folder = parentOf(path);
        if (runLength > 0 && folder == runFolder) {
            ++runLength;
            continue;
        }
        if (runLength > 0)
            countRun(runFolder, runLength);
        runFolder = folder;
        runLength = 1;
    }
    countRun(runFolder, runLength);

    struct Folder {
        QStringView path;
        int count;
        int depth;
    };
    std::vector<Folder> folders;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const int depth = depthOf(it.key());
        if (depth >= kMinimumDepth)
            folders.push_back({it.key(), it.value(), depth});
    }
    std::sort(folders.begin(), folders.end(), [](const Folder& a, const Folder& b) {
        if (a.count != b.count)
            return a.count > b.count;
        if (a.path.size() != b.path.size())
            return a.path.size() > b.path.size();
        return a.path < b.path;   // a fixed order for equal lengths
    });

    if (folders.empty())
        return Caption{QStringLiteral("%1 files").arg(paths.size()), QString()};

    Caption caption;
    caption.folder = folders.front().path.toString();
    QStringList names{lastComponent(folders.front().path)};
    for (size_t i = 1; i < folders.size(); ++i) {
        if (folders[i].depth == folders.front().depth)
            names << lastComponent(folders[i].path);
    }
    caption.text = text::readable(names.join(QStringLiteral(", ")));
    return caption;
}

std::optional<Caption> captionFolders(const RecordList& records)
{
    QStringList paths;
    paths.reserve(records.size());
    for (const RecordPtr& record : records)
        paths.append(record->path());
    return captionFoldersForPaths(paths);
}

QString windowTitle(const QString& applicationName, const std::optional<Caption>& caption,
                    qint64 recordCount)
{
    if (!caption || recordCount == 0)
        return applicationName;
    const QString text = caption->text.isEmpty() ? applicationName : caption->text;
    // One pass, so a "%2" in a folder name stays as it is.
    return QStringLiteral("%1 (%2 file%3)")
        .arg(text, QString::number(recordCount), pluralS(recordCount));
}

} // namespace tagmint::collection
