#include "cli/RecordSaving.h"

#include "cli/ProgressPrinter.h"
#include "cli/RecordOpener.h"
#include "collection/CollectionMessages.h"
#include "record/QZTagLibRecord.h"

#include <QFileInfo>
#include <QTextStream>

namespace tagmint::cli {

RecordSaving::RecordSaving(RecordOpener& opener, QTextStream& out, QTextStream& err)
    : m_opener(opener), m_out(out), m_err(err)
{
}

bool RecordSaving::refuseUnwritable(const QZTagLibRecord& record)
{
    if (!record.hasInvalidTags() && !record.isReadOnly())
        return false;
    const QString shown = m_opener.displayPath(record.path());
    m_err << shown << ": "
          << (record.hasInvalidTags() ? RecordOpener::unreadableTagsText(record.path())
                                      : QStringLiteral("the file is read-only"))
          << Qt::endl;
    report(shown, QStringLiteral("could not be saved"));
    m_allGood = false;
    ++m_refused;
    return true;
}

void RecordSaving::add(const RecordPtr& record)
{
    const QString shown = m_opener.displayPath(record->path());
    if (!record->isDirty()) {
        report(shown, QStringLiteral("unchanged"));
        return;
    }
    m_shownPaths.insert(record.get(), shown);
    m_toSave.append(record);
}

bool RecordSaving::finish()
{
    // The window's words for a save with nothing to write.
    if (m_toSave.isEmpty()) {
        m_err << collection::saveResultReport(0, m_refused, 0).longText << Qt::endl;
        return m_allGood;
    }
    collection::SaveResult result;
    {
        ProgressPrinter progress(m_err, &collection::progress_text::saving);
        m_opener.collection().save(
            m_toSave, progress.callbacks(),
            [&result](const collection::SaveResult& r) { result = r; }, {},
            collection::kRunInline);
    }
    for (const RecordPtr& record : m_toSave)
        m_allGood = reportSaveOutcome(*record, m_shownPaths.value(record.get())) && m_allGood;
    m_err << collection::saveResultReport(result.saved, result.failed + m_refused, result.renameFailed)
                 .longText
          << Qt::endl;
    return m_allGood && result.succeeded();
}

bool RecordSaving::reportSaveOutcome(const QZTagLibRecord& record, const QString& shownPath)
{
    if (record.hasSaveError()) {
        if (!record.saveErrorReason().isEmpty())
            m_err << shownPath << ": " << record.saveErrorReason() << Qt::endl;
        report(shownPath, QStringLiteral("could not be saved"));
        return false;
    }
    if (record.hasRenameError()) {
        report(shownPath, QStringLiteral("could not be renamed"));
        return false;
    }
    if (record.isDirty()) {
        report(shownPath, QStringLiteral("could not be saved"));
        return false;
    }
    const QString newName = QFileInfo(record.path()).fileName();
    if (newName != QFileInfo(shownPath).fileName()) {
        report(shownPath, QStringLiteral("saved and renamed to %1")
                              .arg(RecordOpener::displayPathAfterRename(shownPath, record.path())));
        return true;
    }
    report(shownPath, QStringLiteral("saved"));
    return true;
}

void RecordSaving::report(const QString& shownPath, const QString& text)
{
    m_out << shownPath << ": " << text << '\n';
}

} // namespace tagmint::cli
