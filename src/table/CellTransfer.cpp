#include "table/CellTransfer.h"

#include "record/QZTagLibRecord.h"
#include "util/TextConversion.h"

#include <unistd.h>

namespace tagmint::table {

namespace {

const QString kImageKey = QStringLiteral("image");

// The record may be written and so may its file, as it is now: a file can
// become read-only after it was loaded.
bool canWriteNow(const QZTagLibRecord& record)
{
    return record.isEditable() && ::access(text::toFileSystemPath(record.path()).constData(), W_OK) == 0;
}

} // namespace

CopiedCells copyCells(const QStringList& columns, int firstRow, int lastRow,
                      const RecordAtRow& recordAt, bool withImages)
{
    CopiedCells copied;
    const quint32 copyNumber = withImages ? PasteboardImages::nextCopyNumber() : 0;
    for (int row = firstRow; row <= lastRow; ++row) {
        QZTagLibRecord* record = recordAt(row);
        if (!record)
            continue;
        QStringList cells;
        cells.reserve(columns.size());
        for (const QString& key : columns) {
            ++copied.cells;
            if (key != kImageKey) {
                cells.append(tableCellText(record->value(key).toString()));
                continue;
            }
            const tags::TagPicture picture = withImages ? record->picture() : tags::TagPicture();
            // Reading the picture opened the file; no file stays open.
            record->releaseTagResources();
            if (picture.image.isNull()) {
                cells.append(QString());
                continue;
            }
            const QString token = PasteboardImages::token(key, copyNumber, int(copied.images.size()));
            copied.images.insert(token, picture);
            if (copied.firstImage.isNull())
                copied.firstImage = picture.image;
            cells.append(token);
        }
        copied.lines.append(cells.join(QLatin1Char('\t')));
    }
    return copied;
}

qsizetype pasteRowsWanted(const PasteSelection& selection)
{
    if (selection.firstRow == selection.lastRow)
        return std::max(0, selection.rowCount - selection.firstRow);
    return std::max(0, selection.lastRow - selection.firstRow + 1);
}

PasteTargets fitPasteTargets(const PasteSelection& selection, qsizetype sourceRows)
{
    PasteTargets targets{selection.columns, selection.firstRow, selection.lastRow};
    const bool oneRow = selection.firstRow == selection.lastRow;
    if (selection.columns.size() == 1 && oneRow)
        targets.columns = selection.columnsToTheRight;
    if (oneRow && sourceRows > 0) {
        const qsizetype last = std::min<qsizetype>(selection.firstRow + sourceRows - 1,
                                                   selection.rowCount - 1);
        targets.lastRow = int(std::max<qsizetype>(last, selection.firstRow));
    }
    return targets;
}

PasteResult pasteRows(const TableRows& source, const PasteTargets& targets,
                      const RecordAtRow& recordAt, const PasteboardImages& images,
                      const std::function<void(const PasteFailure&)>& failed)
{
    PasteResult result;
    if (source.isEmpty() || targets.columns.isEmpty())
        return result;
    for (int row = targets.firstRow; row <= targets.lastRow; ++row) {
        QZTagLibRecord* record = recordAt(row);
        if (!record)
            continue;
        if (!canWriteNow(*record)) {
            ++result.readOnlySkipped;
            continue;
        }
        const QStringList& cells = source.at((row - targets.firstRow) % source.size());
        const qsizetype count = std::min(cells.size(), targets.columns.size());
        for (qsizetype position = 0; position < count; ++position) {
            result.maxColumnShift = std::max(result.maxColumnShift, int(position));
            const QString& key = targets.columns.at(position);
            if (key.isEmpty()) {
                ++result.readOnlySkipped;
                continue;
            }
            QVariant value = cells.at(position);
            if (const tags::TagPicture picture = images.pictureForValue(key, cells.at(position));
                !picture.image.isNull())
                value = QVariant::fromValue(picture);
            TagmintError error;
            if (!record->validateValue(value, key, &error)) {
                result.validationErrors.append(error.message);
                if (failed)
                    failed({row, key, error.message});
                continue;
            }
            if (record->setValueAndCheck(value, key))
                ++result.changed;
        }
        result.maxRowShift = row - targets.firstRow;
    }
    return result;
}

} // namespace tagmint::table
