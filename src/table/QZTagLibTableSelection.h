#pragma once
// The cell selection of one table window: one rectangular range of cells
// plus an active cell, over the grid of arranged records by visible columns.
// Column 0 is the row number and is never a selected cell. Every editing
// command, find and the status messages work on this state; the grid widget
// turns input into these calls and paints each cell from cellState().
// Only four bounds and one cell are stored, so selecting everything or
// moving the active cell costs the same for 50 rows as for 50,000.

#include "table/QZTagLibTableCellPath.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QZTagLibTableSettings;
class SelectionGrid;
class SelectionHost;
struct KeyPress;

// Consecutive rows, first..last; empty when last < first.
struct RowSpan {
    int first = 0;
    int last = -1;

    bool isEmpty() const { return last < first; }
    int count() const { return isEmpty() ? 0 : last - first + 1; }
    bool contains(int row) const { return row >= first && row <= last; }
    friend bool operator==(const RowSpan&, const RowSpan&) = default;
};

// Columns and rows a command over the selection works on.
struct SelectionScope {
    QStringList columns;
    int firstRow = -1;
    int lastRow = -1;
};

// How one cell draws itself.
struct CellState {
    // Outline edges, one hexadecimal digit each.
    enum Edge { Left = 0x1000, Right = 0x0100, Top = 0x0010, Bottom = 0x0001 };

    bool isActive = false;
    bool isSelected = false;
    int edgeMask = 0;
};

class QZTagLibTableSelection {
public:
    // Flags of performChange.
    enum ChangeFlag : unsigned {
        KeepFirstResponder = 1,      // do not make the table first responder afterwards
        RefreshVisibleOnly = 2,      // redraw the visible cells instead of reloading
        NoHorizontalScroll = 4,
        NoVerticalScroll = 8,
        ReferenceTopLeft = 16,       // follow the top-left selected cell, not the active one
        KeepWholeColumns = 32,       // a selection over all rows stays over all rows
    };

    // Set by the table view; each may be empty.
    struct Hooks {
        std::function<bool(const KeyPress&)> keyDown;   // true: the key was handled
        std::function<void()> mouseDown;
        std::function<void()> selectionDidChange;
        std::function<void()> deleteKey;                // clear the selected cells
        std::function<void(int column)> columnResize;   // header divider double click
        // Around the change block of every performChange, after a pending
        // cell edit was committed: the table view records the change as one
        // undoable step with that name.
        std::function<void(const QString& undoName)> changeWillRun;
        std::function<void()> changeDidRun;
    };

    // Without settings the introductory popover about editing never shows.
    QZTagLibTableSelection(SelectionGrid& grid, SelectionHost& host,
                           QZTagLibTableSettings* settings = nullptr);
    QZTagLibTableSelection(const QZTagLibTableSelection&) = delete;
    QZTagLibTableSelection& operator=(const QZTagLibTableSelection&) = delete;

    Hooks hooks;

    SelectionGrid& grid() const { return m_grid; }
    SelectionHost& host() const { return m_host; }

    // --- State -------------------------------------------------------------
    // The range, inclusive; all four are -1 without a range.
    int startRow() const { return m_startRow; }
    int endRow() const { return m_endRow; }
    int startColumn() const { return m_startColumn; }
    int endColumn() const { return m_endColumn; }
    const std::optional<QZTagLibTableCellPath>& activeCell() const { return m_active; }
    // -1 without an active cell.
    int activeRow() const { return m_active ? m_active->row : -1; }
    // Looked up by identifier, so it follows column moves; -1 without an
    // active cell or when its column is no longer shown.
    int activeColumn() const;
    // Column of the reference cell before the last performChange.
    int lastSelectedColumnIndex() const { return m_lastSelectedColumnIndex; }

    // --- Queries -----------------------------------------------------------
    bool hasSelectedRange() const;
    bool hasSelection() const { return hasSelectedRange() || m_active.has_value(); }
    bool isRangeCellAtRow(int row, int column) const;
    // In the range, or (without a range) the active cell.
    bool isCellSelectedAtRow(int row, int column) const;
    // The active cell counts even when it lies outside the range.
    bool isCellSelectedAtRow(int row, const QString& identifier) const;
    // The range row by row, columns left to right, until the block returns
    // false; without a range the active cell alone.
    void enumerateSelectedCellsUsingBlock(const std::function<bool(int row, int column)>& block) const;
    // Bounds of the selected cells; -1 when nothing is selected.
    int selectedMinRow() const;
    int selectedMaxRow() const;
    int selectedMinColumn() const;
    int selectedMaxColumn() const;
    // Fewer than two cells selected (also nothing at all).
    bool isSingleSelection() const;
    bool isAllSelected() const;
    // The row is selected across every column (needs two or more columns).
    bool isFullRowSelected(int row) const;
    // Rows of the range that exist, or the active cell's row.
    RowSpan selectedRowIndexes() const;
    QStringList selectedColumnIdentifiers() const;
    // As above, with "" in place of each read-only column.
    QStringList selectedColumnIdentifiersForWriting() const;
    // Rows selected in the column with that identifier.
    RowSpan selectedRowsOfColumnWithIdentifier(const QString& identifier) const;
    // Identifiers of the selectable columns, in display order.
    QStringList columnIdentifiers() const;
    // What a command works on; with the flag, a single selection means the
    // whole table.
    SelectionScope operationScopeWholeTableIfSingle(bool wholeTableIfSingle) const;
    // The active row or column moved by delta and kept inside the grid;
    // -1 without a selection or without rows / selectable columns.
    int currentRowShiftedTo(int delta) const;
    int currentColumnShiftedTo(int delta) const;
    CellState cellState(int row, int column) const;
    // Some selected cell lies in a writable column of an editable record.
    bool hasEditableSelection() const;
    bool isCurrentCellEditable() const;

    // --- Changes -----------------------------------------------------------
    void selectCellAtRow(int row, int column, bool fullRow, bool extend, bool scrollToRow,
                         bool scrollToColumn);
    void selectCellAtRow(int row, int column, bool extend)
    {
        selectCellAtRow(row, column, false, extend, true, true);
    }
    void selectFullRow(int row, int column, bool extend)
    {
        selectCellAtRow(row, column, true, extend, true, true);
    }
    // Clamps everything into the grid, then selects the range with the
    // active cell inside it.
    void setupSelectionSafeWithStartRow(int startRow, int endRow, int startColumn, int endColumn,
                                        int activeRow, int activeColumn);
    void selectRowsFrom(int from, int to);
    void selectAll();
    void selectAllColumnCellsFromIndex(int from, int to);
    void selectAllRowCellsFromIndex(int from, int to);
    void deselectAllNoUpdate();
    void deselectAll();
    void deselectAllWithLeavingCurrentCell();
    // Makes a cell active (find): inside the range only the active cell
    // moves, outside it the cell is selected alone.
    void selectCell(const QZTagLibTableCellPath& cell);
    void moveActiveCellByRows(int rows, int columns, bool extend);
    // Re-clamps the selection after rows or columns went away.
    void syncSelectionWithLastSelectedCellAndUpdate();
    // Cuts the range back to the grid's rows and columns.
    void adjustColumnsAndRowsOfSelectedRange();
    // Redraw and tell the table view; deferred to the end of an operation
    // when called inside one.
    void updateSelectionOfCells();
    // Runs a change of the rows or columns and puts the selection back on
    // the same record and column. Exceptions of the change are swallowed.
    // undoName names the change for undo ("Paste"); every command that
    // changes record values runs them in here.
    void performChange(const std::function<void()>& change, unsigned flags,
                       const QString& undoName = QString());

    // Editing one cell: scrolls it into view, then opens its editor (with,
    // the first time ever, the introduction beside it), the read-only
    // explanation, or for the artwork cell the artwork edit. A file-name cell
    // opens the panel for composing names instead when the key or the double
    // click that started the edit came with a modifier.
    void beginEditingAtRow(int row, int column, const KeyPress* event,
                           Qt::KeyboardModifiers clickModifiers = {});

    static QString editingIntroductionTitle();
    static QString editingIntroductionButton();
    static QString editingIntroductionText();

private:
    class UpdateBatch;
    friend class UpdateBatch;

    int rows() const;
    int columns() const;
    bool isValidRow(int row) const { return row >= 0 && row < rows(); }
    bool isSelectableColumn(int column) const { return column >= 1 && column < columns(); }
    void setRange(int startRow, int endRow, int startColumn, int endColumn);
    void clearRange() { setRange(-1, -1, -1, -1); }
    void setActive(int row, int column);
    void scrollTo(int row, int column, bool scrollRow, bool scrollColumn);

    SelectionGrid& m_grid;
    SelectionHost& m_host;
    QZTagLibTableSettings* m_settings;

    int m_startRow = -1;
    int m_endRow = -1;
    int m_startColumn = -1;
    int m_endColumn = -1;
    std::optional<QZTagLibTableCellPath> m_active;
    int m_lastSelectedColumnIndex = -1;

    int m_batchDepth = 0;
    bool m_updatePending = false;
};
