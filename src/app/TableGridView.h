#pragma once
// The grid of a table window: a QTableView whose
// selection, keys and mouse go through the core's cell selection instead of
// Qt's own, and which opens the one-cell editor and the popovers at cells.
// Its header sorts, moves and resizes columns through the column commands.

#include "app/CellPopover.h"
#include "app/ComposeOptionsPanel.h"
#include "table/SelectionHost.h"
#include "table/SelectionInput.h"
#include "table/SelectionMouse.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QTableView>
#include <QTimer>
#include <memory>

class CellDelegate;
class TableModel;
class TableViewController;
class TextFinderController;

// The one-cell editor: Return or Enter commits, Escape abandons, losing the
// focus commits.
class CellLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
signals:
    void commitRequested(bool withReturn);
    void cancelRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

// The style draws the sections; this header only decides which indicator
// a sort shows and how wide a title needs its section.
class TableHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit TableHeader(QWidget* parent = nullptr) : QHeaderView(Qt::Horizontal, parent) {}
    void setController(TableViewController* controller) { m_controller = controller; }

    // The section width that shows the title whole: the style's label
    // size with its padding, and the room the style's header keeps for the
    // sort indicator, whether or not the column is sorted.
    int widthForTitle(const QString& title) const;
    // A to Z shows the style's up indicator (Qt's own header shows the down
    // one for ascending). Public so the drawing can be checked.
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TableViewController* m_controller = nullptr;
};

class TableGridView : public QTableView, public SelectionHost {
    Q_OBJECT
public:
    explicit TableGridView(QWidget* parent = nullptr);
    ~TableGridView() override;

    // Both live as long as the view.
    void setController(TableViewController* controller, TableModel* model);
    TableHeader* tableHeader() const { return m_header; }
    // The find bar's matches are marked in the cells, and an opened editor
    // selects the found text.
    void setFinder(const TextFinderController* finder);

    // Widths and order of the header follow the column layout.
    void syncColumns();
    int defaultRowHeight() const;

    CellLineEdit* cellEditor() const { return m_editor; }
    // The popover shown at a cell, if any.
    CellPopover* cellPopover() const { return m_popover; }
    // The one-time editing introduction while it stands beside the editor.
    CellPopover* editingIntroduction() const { return m_introduction; }
    QRect cellRect(int row, int column) const;
    // The small button of a selected, writable file-name cell; empty for
    // other cells.
    QRect accessoryRect(int row, int column) const;
    // The options panel for composing file names, while it is open.
    ComposeOptionsPanel* composePanel() const { return m_composePanel; }
    // Shows a popover at a cell; the view keeps track of it.
    CellPopover* showPopoverAtCell(int row, int column, const QString& title, const QString& text,
                                   const QString& button);

    // --- SelectionHost ----------------------------------------------------------
    void scrollRowToVisible(int row) override;
    void scrollColumnToVisible(int column) override;
    bool isCellFullyVisible(int row, int column) const override;
    bool hasCellView(int row, int column) const override;
    double visibleHeight() const override;
    double rowHeight() const override;
    bool editingInProgress() const override { return m_editor != nullptr; }
    void endEditing() override;
    void discardEditing() override;
    void beginEditing(int row, int column, const KeyPress* event) override;
    void showReadOnlyExplanation(int row, int column) override;
    void showEditingIntroduction(int row, int column) override;
    void beginArtworkEdit(int row, int column) override;
    void showFileNameComposer(int row, int column, bool introductionFirst) override;
    void reloadData() override;
    void refreshVisibleCells() override;
    void updateCellDrawing() override;
    void makeFirstResponder() override;
    void takeFocusFromOutside() override;
    void beep() override;

signals:
    // The artwork cell of a row is to be edited: the artwork panel's
    // business, never a text editor's.
    void artworkEditRequested(int row, int column);
    // Names of local files dropped onto the table.
    void filesDropped(const QStringList& names);
    // Files or image data dropped onto a writable artwork cell.
    void artworkDropped(int row, int column, const QMimeData* mime);
    void cellMenuRequested(const QPoint& globalPosition);
    void headerMenuRequested(int column, const QPoint& globalPosition);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool focusNextPrevChild(bool next) override;

private:
    // Row and column under a viewport point, in the selection's terms:
    // -1 before the first, the count after the last.
    std::pair<int, int> cellAt(const QPoint& point) const;
    bool isArtworkColumn(int column) const;
    // The writable artwork cell under a drop's position, if it may take it.
    std::optional<std::pair<int, int>> artworkDropTarget(const QDropEvent* event) const;
    void commitEditing(bool withReturn);
    void closeEditor();
    void openEditor(int row, int column, const QString& text, bool selectAll);
    void sectionMoved(int logical, int oldVisual, int newVisual);
    void sectionResized(int logical, int oldSize, int newSize);

    TableViewController* m_controller = nullptr;
    TableModel* m_model = nullptr;
    CellDelegate* m_delegate = nullptr;
    const TextFinderController* m_finder = nullptr;
    TableHeader* m_header;
    std::unique_ptr<SelectionMouse> m_mouse;
    bool m_tracking = false;

    CellLineEdit* m_editor = nullptr;
    int m_editRow = -1;
    QString m_editIdentifier;
    QPointer<CellPopover> m_popover;
    QPointer<ComposeOptionsPanel> m_composePanel;
    QPointer<CellPopover> m_introduction;

    bool m_syncingHeader = false;
    // User resizes reach the layout once the dragging pauses.
    QTimer m_resizeTimer;
    int m_resizedColumn = -1;
    int m_resizedWidth = 0;
};
