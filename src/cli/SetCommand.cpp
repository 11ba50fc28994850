#include "cli/SetCommand.h"

#include "cli/RecordOpener.h"
#include "cli/RecordSaving.h"
#include "record/QZTagLibRecord.h"
#include "record/RecordField.h"
#include "tags/ImageCodec.h"

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
    RecordSaving saving(opener, m_out, m_err);
    bool allGood = opener.succeeded();
    for (const RecordPtr& record : opener.records()) {
        if (saving.refuseUnwritable(*record))
            continue;
        allGood = applyValues(*record, opener.displayPath(record->path())) && allGood;
        saving.add(record);
    }
    return saving.finish() && allGood ? kExitOk : kExitFailure;
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

} // namespace tagmint::cli
