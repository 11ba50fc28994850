#pragma once
// The Qt model over a window's grid: rows are the arranged records, columns
// the shown columns in display order. Only texts, alignment and thumbnails
// come from here; selection and cell state are read by the delegate from
// the core, so a selection change costs no per-row work.

#include <QAbstractTableModel>
#include <QHash>
#include <QImage>
#include <QSet>

class TableViewController;
class QZTagLibRecord;

class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Thumbnail of a record whose artwork is still being read.
    static constexpr int ThumbnailRole = Qt::UserRole + 1;
    static constexpr int LoadingRole = Qt::UserRole + 2;

    explicit TableModel(TableViewController& controller, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Rows or columns changed: everything is read again.
    void reload();
    // Values changed in place: the visible cells are redrawn.
    void refresh();

private:
    QVariant artwork(const QModelIndex& index, int role) const;

    TableViewController& m_controller;
    // Thumbnails arrive from the record's image loader on the main thread.
    mutable QHash<const QZTagLibRecord*, QImage> m_thumbnails;
    mutable QSet<const QZTagLibRecord*> m_requested;
};
