#pragma once
// What the cell selection needs to know about the table it selects in: the
// arranged rows, the visible columns in display order (column 0 is the row
// number), which columns and rows can be written, and the record behind a
// row so a selection can follow it through a re-sort or a removal.
// The window wires the collection and the column layout in here.

#include <QString>
#include <memory>

class SelectionGrid {
public:
    // Identity of the record shown in a row; only compared, never used.
    using RowObject = std::shared_ptr<const void>;

    virtual ~SelectionGrid() = default;

    virtual int rowCount() const = 0;
    // Visible columns, the row-number column included.
    virtual int columnCount() const = 0;
    // "" for an index outside the columns.
    virtual QString columnIdentifier(int column) const = 0;
    // -1 when no visible column has the identifier.
    virtual int columnWithIdentifier(const QString& identifier) const = 0;
    virtual bool isColumnReadOnly(int column) const = 0;
    // False for a record that cannot be written (invalid tags, read-only
    // file) and for a row outside the rows.
    virtual bool isRowEditable(int row) const = 0;
    // Null for a row outside the rows.
    virtual RowObject objectAtRow(int row) const = 0;
    // -1 when the record is no longer among the rows.
    virtual int rowOfObject(const RowObject& object) const = 0;
};
