#pragma once
// The grid a table window shows: the collection's arranged records as rows,
// the layout's shown columns as columns. Answers the selection's questions
// and what each cell shows, so the widget layer only draws.

#include "table/SelectionGrid.h"

#include <QString>
#include <QVariant>

class ColumnLayout;
class QZTagLibRecord;
class QZTagLibRecordDataArrayController;
struct ColumnDescription;

class CollectionGrid : public SelectionGrid {
public:
    CollectionGrid(QZTagLibRecordDataArrayController& collection, ColumnLayout& layout);

    int rowCount() const override;
    int columnCount() const override;
    QString columnIdentifier(int column) const override;
    int columnWithIdentifier(const QString& identifier) const override;
    bool isColumnReadOnly(int column) const override;
    bool isRowEditable(int row) const override;
    RowObject objectAtRow(int row) const override;
    int rowOfObject(const RowObject& object) const override;

    // Null for a row outside the rows.
    QZTagLibRecord* recordAtRow(int row) const;
    // Null for a column outside the shown ones.
    const ColumnDescription* columnAt(int column) const;

    // The text a cell shows: the row number (from 1) in column 0, the
    // field's text elsewhere, "" for the artwork column.
    QString cellText(int row, int column) const;
    // The value changed since loading (drawn on a grey background).
    bool isCellModified(int row, int column) const;
    // The cell cannot be written: its column or its record is read-only.
    bool isCellReadOnly(int row, int column) const;

    QZTagLibRecordDataArrayController& collection() const { return m_collection; }
    ColumnLayout& layout() const { return m_layout; }

private:
    QZTagLibRecordDataArrayController& m_collection;
    ColumnLayout& m_layout;
};
