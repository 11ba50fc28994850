#pragma once
// Copying cells out as table text and pasting table text into cells. The
// window's Copy and Paste and the command line's export and import all go
// through here, so both read and write the same text the same way.

#include "table/PasteboardImages.h"
#include "table/TableText.h"

#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

class QZTagLibRecord;

namespace tagmint::table {

// The record shown in a row; null for a row without one.
using RecordAtRow = std::function<QZTagLibRecord*(int row)>;

struct CopiedCells {
    QStringList lines;               // one per row, cells joined by TAB
    int cells = 0;
    QHash<QString, tags::TagPicture> images;   // token -> picture, with images only
    QImage firstImage;

    // The clipboard's text: the lines joined by LF.
    QString text() const { return lines.join(QLatin1Char('\n')); }
};

// The columns' values in rows firstRow..lastRow. withImages: an artwork cell
// becomes a PasteboardImages token with its picture kept in images;
// otherwise it is empty.
CopiedCells copyCells(const QStringList& columns, int firstRow, int lastRow,
                      const RecordAtRow& recordAt, bool withImages);

// What a selection offers a paste.
struct PasteSelection {
    QStringList columns;             // selected, "" in place of a read-only one
    QStringList columnsToTheRight;   // the selected column and all right of it, "" likewise
    int firstRow = 0;                // selected rows
    int lastRow = -1;
    int rowCount = 0;                // rows of the table
};

// Where a paste writes: columns ("" for read-only ones) and rows.
struct PasteTargets {
    QStringList columns;
    int firstRow = 0;
    int lastRow = -1;
};

// The most source rows a paste into the selection can use.
qsizetype pasteRowsWanted(const PasteSelection& selection);
// One selected cell grows to the right over the following columns; one
// selected row grows down over as many rows as the source has, within the
// table.
PasteTargets fitPasteTargets(const PasteSelection& selection, qsizetype sourceRows);

struct PasteResult {
    int changed = 0;           // cells whose value changed
    int readOnlySkipped = 0;   // one per read-only record (row) or column (cell)
    QStringList validationErrors;
    int maxRowShift = 0;       // how far below the first target row it wrote
    int maxColumnShift = 0;    // and how far right of the first target column

    int cellsFailed() const { return int(validationErrors.size()); }
};

struct PasteFailure {
    int row;
    QString key;
    QString description;
};

// Source rows are used in turn over the target rows, starting again at the
// first when they run out; a row's cells fill the target columns from the
// left, fewer cells leaving the rest unchanged. Each value goes through the
// record's validation; a failure is reported and the other cells still
// change. A record that cannot be written, or whose file cannot be written
// any more, is skipped as read-only.
PasteResult pasteRows(const TableRows& source, const PasteTargets& targets,
                      const RecordAtRow& recordAt, const PasteboardImages& images,
                      const std::function<void(const PasteFailure&)>& failed = {});

} // namespace tagmint::table
