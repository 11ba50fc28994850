#pragma once
// The table's text form, shared by the clipboard and the command line: one
// line per row, cells separated by one TAB. Copying cleans each value so it
// stays one cell; pasting reads lines and cells back.

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace tagmint::table {

using TableRows = QList<QStringList>;

// The value as one cell: every TAB, CR, LF and NUL removed.
QString tableCellText(const QString& value);

// Lines end at LF or CR, a CR LF or LF CR pair counting as one line end; a
// line end at the very end adds no row, an empty line in between is a row
// with one empty cell, and an empty text is one such row. Cells are split at
// TAB and trimmed of white space; NUL characters are dropped. Text that is
// not UTF-8 is read cell by cell as Latin-1. At most maxRows rows are read
// (negative: all): a paste never needs more rows than it has targets.
TableRows parseTableText(QByteArrayView text, qsizetype maxRows = -1);
// The text after its first line and that line's end.
QByteArrayView textAfterFirstLine(QByteArrayView text);

} // namespace tagmint::table
