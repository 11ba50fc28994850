#include "cli/SetCommand.h"

#include "cli/ProgressPrinter.h"
#include "cli/RecordOpener.h"
#include "collection/CollectionMessages.h"
#include "record/QZTagLibRecord.h"
#include "record/RecordField.h"
#include "tags/ImageCodec.h"

#include <QFileInfo>
#include <QHash>
#include <QTextStream>

namespace tagmint::cli {

namespace {

const QString kImageKey = tagmint::record::fieldKey(RecordField::Image);

} // namespace

SetCommand::SetCommand(const CliOptions& options, QTextStream& out, QTextStream& err)
    : m_options(options), m_out(out), m_err(err)
{
}

int SetCommand::run()
{
    prepareValues();
    RecordOpener opener(m_err);
    opener.open(m_options.paths);
    bool allGood = opener.succeeded();

    RecordList toSave;
    qint64 refused = 0;
    QHash<const QZTagLibRecord*, QString> shownPaths;
    for (const RecordPtr& record : opener.records()) {
        const QString shown = opener.displayPath(record->path());
        // Checked before writing: a read-only record silently reports no
        // change, which would read as "unchanged" although nothing could be
        // written.
        if (record->hasInvalidTags() || record->isReadOnly()) {
            m_err << shown << ": "
                  << (record->hasInvalidTags() ? RecordOpener::unreadableTagsText(record->path())
                                              : QStringLiteral("the file is read-only"))
                  << Qt::endl;
            report(shown, QStringLiteral("could not be saved"));
            allGood = false;
            ++refused;
            continue;
        }
        allGood = applyValues(*record, shown) && allGood;
        if (!record->isDirty()) {
            report(shown, QStringLiteral("unchanged"));
            continue;
        }
        shownPaths.insert(record.get(), shown);
        toSave.append(record);
    }
    // The window's words for a save with nothing to write.
    if (toSave.isEmpty()) {
        m_err << collection::saveResultReport(0, refused, 0).longText << Qt::endl;
        return allGood ? kExitOk : kExitFailure;
    }

    collection::SaveResult result;
    {
        ProgressPrinter progress(m_err, &collection::progress_text::saving);
        opener.collection().save(
            toSave, progress.callbacks(),
            [&result](const collection::SaveResult& r) { result = r; }, {},
            collection::kRunInline);
    }
    for (const RecordPtr& record : toSave)
        allGood = reportSaveOutcome(*record, shownPaths.value(record.get())) && allGood;
    m_err << collection::saveResultReport(result.saved, result.failed + refused, result.renameFailed)
                 .longText
          << Qt::endl;
    return allGood && result.succeeded() ? kExitOk : kExitFailure;
}

void SetCommand::prepareValues()
{
    for (const Assignment& assignment : m_options.assignments) {
        PreparedValue prepared{assignment.key, assignment.value, QString(), {}};
        if (assignment.key == kImageKey && !assignment.value.isEmpty()) {
            QString reason;
            if (const auto picture = tags::loadPictureFile(assignment.value, &reason)) {
                prepared.value = picture->image;
                prepared.picture = *picture;
            } else {
                prepared.error = QStringLiteral("cannot read an image from \"%1\" (%2)")
                                     .arg(assignment.value, reason);
            }
        }
        m_values.append(prepared);
    }
}

bool SetCommand::applyValues(QZTagLibRecord& record, const QString& shownPath)
{
    bool allApplied = true;
    for (const PreparedValue& prepared : m_values) {
        QString problem = prepared.error;
        QVariant value = prepared.value;
        TagmintError error;
        if (problem.isEmpty() && !record.validateValue(value, prepared.key, &error))
            problem = error.message;
        if (!problem.isEmpty()) {
            m_err << shownPath << ": " << prepared.key << ": " << problem << Qt::endl;
            allApplied = false;
            continue;
        }
        // Validation turns "" into no value, which removes the artwork.
        if (prepared.key == kImageKey)
            record.setPicture(value.isValid() ? prepared.picture : tags::TagPicture());
        else
            record.setValue(value, prepared.key);
    }
    return allApplied;
}

bool SetCommand::reportSaveOutcome(const QZTagLibRecord& record, const QString& shownPath)
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

void SetCommand::report(const QString& shownPath, const QString& text)
{
    m_out << shownPath << ": " << text << '\n';
}

} // namespace tagmint::cli
