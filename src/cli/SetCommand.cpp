#include "cli/SetCommand.h"

#include "cli/RecordOpener.h"
#include "cli/RecordSaver.h"
#include "record/QZTagLibRecord.h"
#include "record/RecordField.h"
#include "table/ArtworkCommands.h"
#include "tags/ImageCodec.h"
#include "tags/QZTagLibTag.h"
#include "util/TextConversion.h"

#include <QTextStream>

namespace tagmint::cli {

namespace {

const QString kImageKey = tagmint::record::fieldKey(RecordField::Image);

// The artwork cell's rule: image files by their name, else the picture of a
// media file; either keeps the bytes it came as.
tags::TagPicture artworkFromFile(const QString& path, QString* error)
{
    if (table::isImageFileName(path)) {
        QString reason;
        const std::optional<tags::TagPicture> picture = tags::loadPictureFile(path, &reason);
        if (!picture)
            *error = QStringLiteral("cannot read an image from \"%1\" (%2)").arg(text::readable(path), reason);
        return picture.value_or(tags::TagPicture());
    }
    if (!QZTagLibTag::canHandlePath(path)) {
        *error = QStringLiteral("\"%1\" is neither an image file (jpg, jpeg, png, gif, bmp) nor a "
                                "media file").arg(text::readable(path));
        return {};
    }
    const tags::TagPicture picture = table::loadExternalTagFile(path);
    if (picture.image.isNull())
        *error = table::noArtworkInSelectedFile();
    return picture;
}

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

    RecordSaver saver(opener, m_out, m_err);
    const RecordList writable = saver.writableRecords(opener.records());
    for (const RecordPtr& record : writable)
        allGood = applyValues(*record, opener.displayPath(record->path())) && allGood;
    return saver.saveAndReport(writable) && allGood ? kExitOk : kExitFailure;
}

void SetCommand::prepareValues()
{
    for (const Assignment& assignment : m_options.assignments) {
        // A value is text for a tag (its stray bytes read as people would),
        // except the image's, which names a file.
        PreparedValue prepared{assignment.key, text::readable(assignment.value), QString(), {}};
        if (assignment.key == kImageKey && !assignment.value.isEmpty()) {
            prepared.picture = artworkFromFile(assignment.value, &prepared.error);
            prepared.value = prepared.picture.image;
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
