#include "table/CollectionGrid.h"

#include "collection/QZTagLibRecordDataArrayController.h"
#include "record/QZTagLibRecord.h"
#include "table/ColumnLayout.h"

CollectionGrid::CollectionGrid(QZTagLibRecordDataArrayController& collection, ColumnLayout& layout)
    : m_collection(collection), m_layout(layout)
{
}

int CollectionGrid::rowCount() const { return int(m_collection.shownCount()); }

int CollectionGrid::columnCount() const { return m_layout.columnCount(); }

QString CollectionGrid::columnIdentifier(int column) const { return m_layout.identifierAt(column); }

int CollectionGrid::columnWithIdentifier(const QString& identifier) const
{
    return m_layout.indexOfColumn(identifier);
}

bool CollectionGrid::isColumnReadOnly(int column) const
{
    const ColumnDescription* description = columnAt(column);
    return !description || description->isReadOnly;
}

bool CollectionGrid::isRowEditable(int row) const
{
    const QZTagLibRecord* record = recordAtRow(row);
    return record && record->isEditable();
}

SelectionGrid::RowObject CollectionGrid::objectAtRow(int row) const
{
    if (!m_collection.isIndexValid(row))
        return {};
    return m_collection.arrangedObjects().at(row);
}

int CollectionGrid::rowOfObject(const RowObject& object) const
{
    if (!object)
        return -1;
    const RecordList& rows = m_collection.arrangedObjects();
    for (qsizetype row = 0; row < rows.size(); ++row) {
        if (rows.at(row).get() == object.get())
            return int(row);
    }
    return -1;
}

QZTagLibRecord* CollectionGrid::recordAtRow(int row) const { return m_collection.recordAtRow(row); }

const ColumnDescription* CollectionGrid::columnAt(int column) const
{
    return m_layout.isValidIndex(column) ? &m_layout.columnAt(column) : nullptr;
}

QString CollectionGrid::cellText(int row, int column) const
{
    const ColumnDescription* description = columnAt(column);
    if (!description || !m_collection.isIndexValid(row))
        return {};
    if (description->isRowNumber())
        return QString::number(row + 1);
    if (description->columnClass == ColumnClass::Artwork)
        return {};
    return m_collection.stringAtRow(row, description->identifier);
}

bool CollectionGrid::isCellModified(int row, int column) const
{
    const ColumnDescription* description = columnAt(column);
    const QZTagLibRecord* record = recordAtRow(row);
    if (!description || !record || description->isRowNumber())
        return false;
    return record->isDirtyForKey(description->identifier);
}

bool CollectionGrid::isCellReadOnly(int row, int column) const
{
    return isColumnReadOnly(column) || !isRowEditable(row);
}
