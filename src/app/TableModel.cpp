#include "app/TableModel.h"

#include "collection/QZTagLibRecordDataArrayController.h"
#include "record/QZTagLibRecord.h"
#include "table/ColumnCatalog.h"
#include "table/TableViewController.h"
#include "tags/QZTagLibImageLoader.h"

TableModel::TableModel(TableViewController& controller, QObject* parent)
    : QAbstractTableModel(parent), m_controller(controller)
{
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_controller.grid().rowCount();
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_controller.grid().columnCount();
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    const CollectionGrid& grid = m_controller.grid();
    const ColumnDescription* column = grid.columnAt(index.column());
    if (!column || !index.isValid())
        return {};
    if (column->columnClass == ColumnClass::Artwork)
        return artwork(index, role);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return grid.cellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return int(column->alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant TableModel::artwork(const QModelIndex& index, int role) const
{
    if (role != ThumbnailRole && role != LoadingRole)
        return {};
    QZTagLibRecord* record = m_controller.grid().recordAtRow(index.row());
    if (!record || !record->hasImage())
        return {};
    const auto found = m_thumbnails.constFind(record);
    if (found != m_thumbnails.constEnd())
        return role == ThumbnailRole ? QVariant(*found) : QVariant(false);
    if (role == LoadingRole && !m_requested.contains(record)) {
        QZTagLibImageLoader* loader = m_controller.collection().imageLoader();
        m_requested.insert(record);
        // A finished thumbnail comes back at once, inside this call.
        const auto inside = std::make_shared<bool>(true);
        const auto delivered = std::make_shared<bool>(false);
        auto* self = const_cast<TableModel*>(this);
        loader->requestImage(record, self, [self, record, inside, delivered](const QImage& thumbnail) {
            if (*inside) {
                *delivered = true;
                self->m_thumbnails.insert(record, thumbnail);
                return;
            }
            self->m_thumbnails.insert(record, thumbnail);
            self->m_requested.remove(record);
            // Only the visible cells are redrawn, whatever the range says.
            const int column = self->m_controller.grid().columnWithIdentifier(QStringLiteral("image"));
            if (column >= 0 && self->rowCount() > 0)
                emit self->dataChanged(self->index(0, column), self->index(self->rowCount() - 1, column),
                                       {ThumbnailRole});
        });
        *inside = false;
        if (*delivered) {
            m_requested.remove(record);
            return false;
        }
    }
    return role == LoadingRole ? QVariant(true) : QVariant();
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    const ColumnDescription* column = m_controller.grid().columnAt(section);
    if (!column)
        return {};
    if (role == Qt::DisplayRole)
        return column->title;
    if (role == Qt::TextAlignmentRole)
        return int(column->alignment | Qt::AlignVCenter);
    return {};
}

void TableModel::reload()
{
    beginResetModel();
    // Images may have changed with the records (reload, save, move).
    m_thumbnails.clear();
    m_requested.clear();
    endResetModel();
}

void TableModel::refresh()
{
    // An edited image gets a new thumbnail; the loader answers the others at once.
    m_thumbnails.clear();
    m_requested.clear();
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}
