#pragma once
// Draws one cell from the core's state: background (modified cells grey,
// the row numbers like a header), found text marked, the text or thumbnail,
// read-only cells dimmed, the selection's outline from its edge mask and the
// active cell; a selected, writable file-name cell shows a small button at
// its end.

#include <QStyledItemDelegate>

class TableViewController;
class TextFinderController;

class CellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    CellDelegate(TableViewController& controller, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static QColor modifiedColor();
    // Find text in cells: every match, and the current one.
    static QColor matchColor();
    static QColor currentMatchColor();

    // Matches of the find bar are marked while it shows.
    void setFinder(const TextFinderController* finder) { m_finder = finder; }

    // Where a selected file-name cell draws its small button (the compose
    // options panel opens from it).
    static QRect accessoryRect(const QRect& cell);

private:
    void paintMatches(QPainter* painter, const QString& text, const QString& shown,
                      const QRect& content, Qt::Alignment alignment, int row, int column) const;

    TableViewController& m_controller;
    const TextFinderController* m_finder = nullptr;
};
