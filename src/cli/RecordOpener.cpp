#include "cli/RecordOpener.h"

#include "cli/ProgressPrinter.h"
#include "collection/CollectionMessages.h"
#include "tags/QZTagLibTag.h"
#include "tags/StructureVerdict.h"
#include "util/FileSystem.h"
#include "util/TextConversion.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace tagmint::cli {

RecordOpener::RecordOpener(QTextStream& err) : m_err(err) {}

void RecordOpener::open(const QStringList& paths, quint32 loadFlags)
{
    QStringList usable;
    for (const QString& path : paths) {
        const fs::PathKind kind = fs::kindOf(path);
        if (kind == fs::PathKind::Missing) {
            m_err << text::readable(path) << ": no such file" << Qt::endl;
            m_succeeded = false;
            continue;
        }
        if (kind != fs::PathKind::Folder && !QZTagLibTag::canHandlePath(path)) {
            m_err << text::readable(path) << ": unsupported file type" << Qt::endl;
            m_succeeded = false;
        }
        const QString absolute = fs::absolutePath(path);
        m_givenSpelling.insert(absolute, path);
        usable.append(absolute);
    }
    if (usable.isEmpty()) {
        m_succeeded = false;
        return;
    }

    ProgressPrinter progress(m_err, &collection::progress_text::loading);
    collection::IntakeResult result;
    m_collection.load(usable, 50000, 0, progress.callbacks(),
                      [&result](const collection::IntakeResult& r) { result = r; },
                      loadFlags | collection::kRunInline);
    const ResultReport report = collection::openResultReport(
        result.added, result.duplicates, result.unsupported, false, result.statistics, false);
    m_err << report.longText << Qt::endl;
    if (report.hasAlert())
        m_succeeded = false;
}

QString RecordOpener::displayPath(const QString& recordPath) const
{
    return text::readable(givenSpelling(recordPath));
}

QString RecordOpener::givenSpelling(const QString& recordPath) const
{
    if (const auto it = m_givenSpelling.constFind(recordPath); it != m_givenSpelling.constEnd())
        return *it;
    // Inside a given folder: that folder's spelling, then the rest.
    QString folder = QFileInfo(recordPath).path();
    QString rest = QFileInfo(recordPath).fileName();
    while (folder.size() > 1) {
        if (const auto it = m_givenSpelling.constFind(folder); it != m_givenSpelling.constEnd())
            return QDir(*it).filePath(rest);
        rest = QFileInfo(folder).fileName() + QLatin1Char('/') + rest;
        folder = QFileInfo(folder).path();
    }
    return recordPath;
}

QString RecordOpener::displayPathAfterRename(const QString& shownOldPath, const QString& newPath)
{
    const QString shownDir = QFileInfo(shownOldPath).path();
    const QString newName = text::readable(QFileInfo(newPath).fileName());
    // A bare name has "." as its directory; keep it bare.
    if (shownDir == QLatin1String(".") && !shownOldPath.startsWith(QLatin1String("./")))
        return newName;
    return QDir(shownDir).filePath(newName);
}

QString RecordOpener::unreadableTagsText(const QString& recordPath)
{
    const QString text = QStringLiteral("the tags cannot be read");
    const tags::StructureVerdict verdict = tags::checkFileStructure(recordPath);
    return verdict.holds() ? text : text + QStringLiteral(": ") + verdict.problem;
}

} // namespace tagmint::cli
