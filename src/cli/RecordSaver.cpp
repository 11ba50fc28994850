#include "cli/RecordSaver.h"

#include "cli/ProgressPrinter.h"
#include "cli/RecordOpener.h"
#include "collection/CollectionMessages.h"
#include "record/QZTagLibRecord.h"
#include "util/TextConversion.h"

#include <QFileInfo>
#include <QHash>
#include <QTextStream>

namespace tagmint::cli {

RecordSaver::RecordSaver(RecordOpener& opener, QTextStream& out, QTextStream& err)
    : m_opener(opener), m_out(out), m_err(err)
{
}

RecordList RecordSaver::writableRecords(const RecordList& records)
{
    RecordList writable;
    for (const RecordPtr& record : records) {
        if (checkWritable(*record))
            writable.append(record);
        else
            ++m_refused;
    }
    return writable;
}

bool RecordSaver::checkWritable(const QZTagLibRecord& record)
{
    // Asked before writing: a read-only record silently reports no change,
    // which would read as "unchanged" although nothing could be written.
    if (!record.hasInvalidTags() && !record.isReadOnly())
        return true;
    const QString shown = m_opener.displayPath(record.path());
    m_err << shown << ": "
          << (record.hasInvalidTags() ? RecordOpener::unreadableTagsText(record.path())
                                      : QStringLiteral("the file is read-only"))
          << Qt::endl;
    report(shown, QStringLiteral("could not be saved"));
    return false;
}

bool RecordSaver::saveAndReport(const RecordList& records)
{
    RecordList toSave;
    QHash<const QZTagLibRecord*, QString> shownPaths;
    for (const RecordPtr& record : records) {
        const QString shown = m_opener.displayPath(record->path());
        if (!record->isDirty()) {
            report(shown, QStringLiteral("unchanged"));
            continue;
        }
        shownPaths.insert(record.get(), shown);
        toSave.append(record);
    }
    // The window's words for a save with nothing to write.
    if (toSave.isEmpty()) {
        m_err << collection::saveResultReport(0, m_refused, 0).longText << Qt::endl;
        return m_refused == 0;
    }

    collection::SaveResult result;
    {
        ProgressPrinter progress(m_err, &collection::progress_text::saving);
        m_opener.collection().save(
            toSave, progress.callbacks(), [&result](const collection::SaveResult& r) { result = r; }, {},
            collection::kRunInline);
    }
    bool allGood = true;
    for (const RecordPtr& record : toSave)
        allGood = reportSaveOutcome(*record, shownPaths.value(record.get())) && allGood;
    m_err << collection::saveResultReport(result.saved, result.failed + m_refused, result.renameFailed)
                 .longText
          << Qt::endl;
    return allGood && result.succeeded() && m_refused == 0;
}

bool RecordSaver::reportSaveOutcome(const QZTagLibRecord& record, const QString& shownPath)
{
    if (record.hasSaveError() || (record.isDirty() && !record.hasRenameError())) {
        if (!record.saveErrorReason().isEmpty())
            m_err << shownPath << ": " << record.saveErrorReason() << Qt::endl;
        report(shownPath, QStringLiteral("could not be saved"));
        return false;
    }
    if (record.hasRenameError()) {
        report(shownPath, QStringLiteral("could not be renamed"));
        return false;
    }
    const QString newName = text::readable(QFileInfo(record.path()).fileName());
    if (newName != QFileInfo(shownPath).fileName()) {
        report(shownPath, QStringLiteral("saved and renamed to %1")
                              .arg(RecordOpener::displayPathAfterRename(shownPath, record.path())));
        return true;
    }
    report(shownPath, QStringLiteral("saved"));
    return true;
}

void RecordSaver::report(const QString& shownPath, const QString& text)
{
    m_out << shownPath << ": " << text << '\n';
}

} // namespace tagmint::cli
