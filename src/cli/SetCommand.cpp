#include "cli/SetCommand.h"

#include "cli/InputPath.h"
#include "record/QZTagLibRecord.h"
#include "record/RecordField.h"

#include <QImageReader>
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
    bool allGood = true;
    for (const QString& path : m_options.paths) {
        if (const QString reason = unusablePathReason(path); !reason.isEmpty()) {
            m_err << path << ": " << reason << Qt::endl;
            allGood = false;
            continue;
        }
        QZTagLibRecord record(recordPathFor(path), 0);
        record.releaseTagResources();
        // Checked before writing: a read-only record silently reports no
        // change, which would read as "unchanged" although nothing could be
        // written.
        if (record.hasInvalidTags() || record.isReadOnly()) {
            m_err << path << ": "
                  << (record.hasInvalidTags() ? "the tags cannot be read" : "the file is read-only")
                  << Qt::endl;
            report(path, QStringLiteral("could not be saved"));
            allGood = false;
            continue;
        }
        const bool valuesApplied = applyValues(record, path);
        const bool saved = saveAndReport(record, path);
        record.releaseTagResources();
        allGood = allGood && valuesApplied && saved;
    }
    return allGood ? kExitOk : kExitFailure;
}

void SetCommand::prepareValues()
{
    for (const Assignment& assignment : m_options.assignments) {
        PreparedValue prepared{assignment.key, assignment.value, QString()};
        if (assignment.key == kImageKey && !assignment.value.isEmpty()) {
            QImageReader reader(assignment.value);
            const QImage image = reader.read();
            if (image.isNull())
                prepared.error = QStringLiteral("cannot read an image from \"%1\" (%2)")
                                     .arg(assignment.value, reader.errorString());
            else
                prepared.value = image;
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
            record.setImage(value.value<QImage>());
        else
            record.setValue(value, prepared.key);
    }
    return allApplied;
}

bool SetCommand::saveAndReport(QZTagLibRecord& record, const QString& shownPath)
{
    if (!record.isDirty()) {
        report(shownPath, QStringLiteral("unchanged"));
        return true;
    }
    const QString oldPath = record.path();
    const bool saved = record.saveDataToTagAndDoRenaming();
    if (record.hasSaveError() || (!saved && !record.hasRenameError())) {
        report(shownPath, QStringLiteral("could not be saved"));
        return false;
    }
    if (record.hasRenameError()) {
        report(shownPath, QStringLiteral("could not be renamed"));
        return false;
    }
    if (record.path() != oldPath) {
        report(shownPath, QStringLiteral("saved and renamed to %1")
                              .arg(displayPathAfterRename(shownPath, record.path())));
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
