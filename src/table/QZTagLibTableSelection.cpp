#include "table/QZTagLibTableSelection.h"

#include "record/RecordField.h"
#include "settings/QZTagLibTableSettings.h"
#include "table/FileNameComposing.h"
#include "table/SelectionGrid.h"
#include "table/SelectionHost.h"

#include <algorithm>

namespace {

bool within(int value, int low, int high) { return value >= low && value <= high; }

// The far end of a range when the active cell moves to target with Shift.
// There is no fixed anchor: the range grows towards the target or is cut
// back at its far end.
std::pair<int, int> spanTowards(int target, int low, int high, int active)
{
    if (target < low)
        return {target, high};
    if (target >= high || target == active)
        return {low, std::max(high, target)};
    return {low, target};
}

} // namespace

// Collects the redraws of nested operations into one, so the table view
// hears about a change once.
class QZTagLibTableSelection::UpdateBatch {
public:
    explicit UpdateBatch(QZTagLibTableSelection& selection) : m_selection(selection)
    {
        ++m_selection.m_batchDepth;
    }
    ~UpdateBatch()
    {
        if (--m_selection.m_batchDepth == 0 && m_selection.m_updatePending)
            m_selection.updateSelectionOfCells();
    }
    UpdateBatch(const UpdateBatch&) = delete;
    UpdateBatch& operator=(const UpdateBatch&) = delete;

private:
    QZTagLibTableSelection& m_selection;
};

QZTagLibTableSelection::QZTagLibTableSelection(SelectionGrid& grid, SelectionHost& host,
                                               QZTagLibTableSettings* settings)
    : m_grid(grid), m_host(host), m_settings(settings)
{
}

int QZTagLibTableSelection::rows() const { return std::max(m_grid.rowCount(), 0); }
int QZTagLibTableSelection::columns() const { return std::max(m_grid.columnCount(), 0); }

int QZTagLibTableSelection::activeColumn() const
{
    return m_active ? m_grid.columnWithIdentifier(m_active->identifier) : -1;
}

void QZTagLibTableSelection::setRange(int startRow, int endRow, int startColumn, int endColumn)
{
    m_startRow = startRow;
    m_endRow = endRow;
    m_startColumn = startColumn;
    m_endColumn = endColumn;
}

void QZTagLibTableSelection::setActive(int row, int column)
{
    m_active = QZTagLibTableCellPath{m_grid.columnIdentifier(column), row, column};
}

void QZTagLibTableSelection::scrollTo(int row, int column, bool scrollRow, bool scrollColumn)
{
    if (scrollRow)
        m_host.scrollRowToVisible(row);
    if (scrollColumn)
        m_host.scrollColumnToVisible(column);
}

// --- Queries -----------------------------------------------------------------

bool QZTagLibTableSelection::hasSelectedRange() const
{
    return m_startRow >= 0 && m_endRow >= 0 && m_startColumn >= 0 && m_endColumn >= 0;
}

bool QZTagLibTableSelection::isRangeCellAtRow(int row, int column) const
{
    return hasSelectedRange() && within(row, m_startRow, m_endRow)
        && within(column, m_startColumn, m_endColumn);
}

bool QZTagLibTableSelection::isCellSelectedAtRow(int row, int column) const
{
    if (hasSelectedRange())
        return isRangeCellAtRow(row, column);
    return m_active && column >= 1 && m_active->row == row && activeColumn() == column;
}

bool QZTagLibTableSelection::isCellSelectedAtRow(int row, const QString& identifier) const
{
    if (m_active && m_active->isAt(row, identifier))
        return true;
    if (!hasSelectedRange())
        return false;
    return isRangeCellAtRow(row, m_grid.columnWithIdentifier(identifier));
}

void QZTagLibTableSelection::enumerateSelectedCellsUsingBlock(
    const std::function<bool(int row, int column)>& block) const
{
    if (hasSelectedRange()) {
        for (int row = m_startRow; row <= m_endRow; ++row) {
            for (int column = m_startColumn; column <= m_endColumn; ++column) {
                if (!block(row, column))
                    return;
            }
        }
        return;
    }
    const int column = activeColumn();
    if (m_active && column >= 1)
        block(m_active->row, column);
}

// The range is kept ordered (start <= end), so its bounds are those of the
// enumerated cells without visiting them.
int QZTagLibTableSelection::selectedMinRow() const
{
    if (hasSelectedRange())
        return m_startRow;
    return activeColumn() >= 1 ? m_active->row : -1;
}

int QZTagLibTableSelection::selectedMaxRow() const
{
    if (hasSelectedRange())
        return m_endRow;
    return activeColumn() >= 1 ? m_active->row : -1;
}

int QZTagLibTableSelection::selectedMinColumn() const
{
    if (hasSelectedRange())
        return m_startColumn;
    const int column = activeColumn();
    return column >= 1 ? column : -1;
}

int QZTagLibTableSelection::selectedMaxColumn() const
{
    if (hasSelectedRange())
        return m_endColumn;
    const int column = activeColumn();
    return column >= 1 ? column : -1;
}

bool QZTagLibTableSelection::isSingleSelection() const
{
    if (!hasSelectedRange())
        return true;
    return qint64(m_endRow - m_startRow + 1) * qint64(m_endColumn - m_startColumn + 1) < 2;
}

bool QZTagLibTableSelection::isAllSelected() const
{
    const int R = rows();
    const int C = columns();
    return R >= 1 && C >= 2 && m_startRow == 0 && m_endRow == R - 1 && m_startColumn == 1
        && m_endColumn == C - 1;
}

bool QZTagLibTableSelection::isFullRowSelected(int row) const
{
    const int C = columns();
    return hasSelectedRange() && C >= 3 && within(row, m_startRow, m_endRow) && m_startColumn == 1
        && m_endColumn == C - 1;
}

RowSpan QZTagLibTableSelection::selectedRowIndexes() const
{
    if (hasSelectedRange())
        return {std::max(m_startRow, 0), std::min(m_endRow, rows() - 1)};
    if (m_active && isValidRow(m_active->row))
        return {m_active->row, m_active->row};
    return {};
}

QStringList QZTagLibTableSelection::selectedColumnIdentifiers() const
{
    QStringList identifiers;
    if (hasSelectedRange()) {
        const int last = std::min(m_endColumn, columns() - 1);
        for (int column = m_startColumn; column <= last; ++column)
            identifiers.append(m_grid.columnIdentifier(column));
    } else if (activeColumn() >= 1) {
        identifiers.append(m_active->identifier);
    }
    return identifiers;
}

QStringList QZTagLibTableSelection::selectedColumnIdentifiersForWriting() const
{
    QStringList identifiers = selectedColumnIdentifiers();
    for (QString& identifier : identifiers) {
        if (m_grid.isColumnReadOnly(m_grid.columnWithIdentifier(identifier)))
            identifier.clear();
    }
    return identifiers;
}

RowSpan QZTagLibTableSelection::selectedRowsOfColumnWithIdentifier(const QString& identifier) const
{
    const int column = m_grid.columnWithIdentifier(identifier);
    if (column < 1)
        return {};
    if (hasSelectedRange()) {
        if (!within(column, m_startColumn, m_endColumn))
            return {};
        return selectedRowIndexes();
    }
    if (m_active && m_active->identifier == identifier && isValidRow(m_active->row))
        return {m_active->row, m_active->row};
    return {};
}

QStringList QZTagLibTableSelection::columnIdentifiers() const
{
    QStringList identifiers;
    for (int column = 1; column < columns(); ++column)
        identifiers.append(m_grid.columnIdentifier(column));
    return identifiers;
}

SelectionScope QZTagLibTableSelection::operationScopeWholeTableIfSingle(bool wholeTableIfSingle) const
{
    const int R = rows();
    if (R == 0)
        return {};
    if (wholeTableIfSingle && isSingleSelection())
        return {columnIdentifiers(), 0, R - 1};
    const int first = std::clamp(selectedMinRow(), 0, R - 1);
    const int last = std::clamp(selectedMaxRow(), first, R - 1);
    return {selectedColumnIdentifiers(), first, last};
}

int QZTagLibTableSelection::currentRowShiftedTo(int delta) const
{
    const int R = rows();
    if (!hasSelection() || R < 1)
        return -1;
    return int(std::clamp<qint64>(qint64(activeRow()) + delta, 0, R - 1));
}

int QZTagLibTableSelection::currentColumnShiftedTo(int delta) const
{
    const int C = columns();
    if (!hasSelection() || C < 2)
        return -1;
    return int(std::clamp<qint64>(qint64(activeColumn()) + delta, 1, C - 1));
}

CellState QZTagLibTableSelection::cellState(int row, int column) const
{
    CellState state;
    state.isActive = m_active && m_active->isAt(row, m_grid.columnIdentifier(column));
    state.isSelected = isCellSelectedAtRow(row, column);
    if (!state.isSelected)
        return state;
    if (!isCellSelectedAtRow(row, column - 1))
        state.edgeMask |= CellState::Left;
    if (!isCellSelectedAtRow(row, column + 1))
        state.edgeMask |= CellState::Right;
    if (!isCellSelectedAtRow(row - 1, column))
        state.edgeMask |= CellState::Top;
    if (!isCellSelectedAtRow(row + 1, column))
        state.edgeMask |= CellState::Bottom;
    return state;
}

bool QZTagLibTableSelection::hasEditableSelection() const
{
    const int firstColumn = selectedMinColumn();
    const int lastColumn = std::min(selectedMaxColumn(), columns() - 1);
    if (firstColumn < 1)
        return false;
    // A rectangle: one writable column and one editable row make a
    // writable cell, so the two are looked for separately.
    bool writableColumn = false;
    for (int column = firstColumn; column <= lastColumn && !writableColumn; ++column)
        writableColumn = !m_grid.isColumnReadOnly(column);
    if (!writableColumn)
        return false;
    const RowSpan span = selectedRowIndexes();
    for (int row = span.first; row <= span.last; ++row) {
        if (m_grid.isRowEditable(row))
            return true;
    }
    return false;
}

bool QZTagLibTableSelection::isCurrentCellEditable() const
{
    const int column = activeColumn();
    return column >= 1 && !m_grid.isColumnReadOnly(column) && m_grid.isRowEditable(m_active->row);
}

// --- Changes -----------------------------------------------------------------

void QZTagLibTableSelection::selectCellAtRow(int row, int column, bool fullRow, bool extend,
                                             bool scrollToRow, bool scrollToColumn)
{
    const int C = columns();
    if (fullRow) {
        // A row click keeps the column the user works in.
        const int current = activeColumn();
        if (current >= 1)
            column = current;
        scrollToColumn = false;
    }
    if (column == 0)
        column = 1;
    if (!isValidRow(row) || !isSelectableColumn(column))
        return;
    UpdateBatch batch(*this);
    scrollTo(row, column, scrollToRow, scrollToColumn);

    // Extending needs something selected to grow from; an active cell whose
    // column went away has nothing.
    if (extend && m_active && selectedMinRow() >= 0) {
        const auto [firstRow, lastRow] =
            spanTowards(row, selectedMinRow(), selectedMaxRow(), m_active->row);
        auto [firstColumn, lastColumn] =
            spanTowards(column, selectedMinColumn(), selectedMaxColumn(), activeColumn());
        if (fullRow) {
            firstColumn = 1;
            lastColumn = C - 1;
        }
        setRange(std::max(firstRow, 0), std::min(lastRow, rows() - 1), std::max(firstColumn, 1),
                 std::min(lastColumn, C - 1));
    } else {
        const bool keep = !fullRow && m_active && m_active->row == row && activeColumn() == column
            && (!hasSelectedRange() || isRangeCellAtRow(row, column));
        if (!keep)
            deselectAllNoUpdate();
        if (fullRow)
            setRange(row, row, 1, C - 1);
    }
    setActive(row, column);
    m_host.discardEditing();
    updateSelectionOfCells();
}

void QZTagLibTableSelection::setupSelectionSafeWithStartRow(int startRow, int endRow,
                                                            int startColumn, int endColumn,
                                                            int activeRow, int activeColumn)
{
    const int R = rows();
    const int C = columns();
    if (R == 0 || C < 2)
        return;
    startRow = std::clamp(startRow, 0, R - 1);
    endRow = std::clamp(endRow, startRow, R - 1);
    startColumn = std::clamp(startColumn, 1, C - 1);
    endColumn = std::clamp(endColumn, startColumn, C - 1);
    activeRow = std::clamp(activeRow, startRow, endRow);
    activeColumn = std::clamp(activeColumn, startColumn, endColumn);

    UpdateBatch batch(*this);
    selectCellAtRow(activeRow, activeColumn, false, false, false, false);
    setRange(startRow, endRow, startColumn, endColumn);
    updateSelectionOfCells();
}

void QZTagLibTableSelection::selectRowsFrom(int from, int to)
{
    setupSelectionSafeWithStartRow(from, to, 1, columns() - 1, from, 1);
}

void QZTagLibTableSelection::selectAll()
{
    const int R = rows();
    const int C = columns();
    if (R < 1 || C < 2) {
        deselectAll();
        return;
    }
    m_host.endEditing();
    setRange(0, R - 1, 1, C - 1);
    updateSelectionOfCells();
}

void QZTagLibTableSelection::selectAllColumnCellsFromIndex(int from, int to)
{
    const int R = rows();
    const int C = columns();
    from = std::max(from, 1);
    to = std::min(to, C - 1);
    if (R < 1 || C < 2 || from > to)
        return;
    UpdateBatch batch(*this);
    m_host.endEditing();
    setRange(0, R - 1, from, to);
    if (m_active && !within(activeColumn(), from, to))
        setActive(m_active->row, from);
    if (from == to)
        m_host.scrollColumnToVisible(from);
    updateSelectionOfCells();
}

void QZTagLibTableSelection::selectAllRowCellsFromIndex(int from, int to)
{
    const int R = rows();
    const int C = columns();
    from = std::max(from, 0);
    to = std::min(to, R - 1);
    if (R < 1 || C < 2 || from > to)
        return;
    UpdateBatch batch(*this);
    m_host.endEditing();
    setRange(from, to, 1, C - 1);
    // The active cell stays inside the range.
    if (m_active && !within(m_active->row, from, to))
        setActive(from, std::max(activeColumn(), 1));
    if (from == to)
        m_host.scrollRowToVisible(from);
    updateSelectionOfCells();
}

void QZTagLibTableSelection::deselectAllNoUpdate()
{
    clearRange();
    m_active.reset();
}

void QZTagLibTableSelection::deselectAll()
{
    deselectAllNoUpdate();
    m_host.endEditing();
    updateSelectionOfCells();
}

void QZTagLibTableSelection::deselectAllWithLeavingCurrentCell()
{
    clearRange();
    m_host.endEditing();
    updateSelectionOfCells();
}

void QZTagLibTableSelection::selectCell(const QZTagLibTableCellPath& cell)
{
    if (cell.identifier.isEmpty())
        return;
    // The identifier decides, not the column the path was made with.
    const int column = m_grid.columnWithIdentifier(cell.identifier);
    if (!isSelectableColumn(column) || !isValidRow(cell.row))
        return;
    UpdateBatch batch(*this);
    m_host.endEditing();
    const bool visible = m_host.isCellFullyVisible(cell.row, column);
    if (!isRangeCellAtRow(cell.row, column)) {
        selectCellAtRow(cell.row, column, false, false, !visible, !visible);
        return;
    }
    setActive(cell.row, column);
    scrollTo(cell.row, column, !visible, !visible);
    updateSelectionOfCells();
}

void QZTagLibTableSelection::moveActiveCellByRows(int rowDelta, int columnDelta, bool extend)
{
    if (!hasSelection())
        return;
    const int row = currentRowShiftedTo(rowDelta);
    const int column = currentColumnShiftedTo(columnDelta);
    if (row < 0 || column < 0)
        return;
    if (extend && m_active && m_active->row == row && activeColumn() == column)
        return;
    UpdateBatch batch(*this);
    selectCellAtRow(row, column, extend);
    // Moving left onto the first column also brings the row numbers back.
    if (column == 1 && columnDelta < 0)
        m_host.scrollColumnToVisible(0);
}

void QZTagLibTableSelection::syncSelectionWithLastSelectedCellAndUpdate()
{
    UpdateBatch batch(*this);
    const int R = rows();
    const int C = columns();
    if (R == 0 || C < 2) {
        deselectAllNoUpdate();
    } else {
        // An active cell whose column went away falls back to the index its
        // column had.
        int row = m_active ? m_active->row : m_startRow;
        int column = activeColumn();
        if (column < 1)
            column = m_active ? m_active->column : m_startColumn;
        if (hasSelectedRange()) {
            setupSelectionSafeWithStartRow(m_startRow, m_endRow, m_startColumn, m_endColumn, row,
                                           column);
        } else if (m_active) {
            // A lone active cell stays alone.
            setActive(std::clamp(row, 0, R - 1), std::clamp(column, 1, C - 1));
        }
    }
    updateSelectionOfCells();
}

void QZTagLibTableSelection::adjustColumnsAndRowsOfSelectedRange()
{
    if (!hasSelectedRange())
        return;
    m_endColumn = std::min(m_endColumn, columns() - 1);
    m_endRow = std::min(m_endRow, rows() - 1);
    if (m_endColumn < m_startColumn || m_endRow < m_startRow)
        clearRange();
}

void QZTagLibTableSelection::updateSelectionOfCells()
{
    if (m_batchDepth > 0) {
        m_updatePending = true;
        return;
    }
    m_updatePending = false;
    m_host.updateCellDrawing();
    if (hooks.selectionDidChange)
        hooks.selectionDidChange();
}

void QZTagLibTableSelection::performChange(const std::function<void()>& change, unsigned flags,
                                           const QString& undoName)
{
    UpdateBatch batch(*this);
    const bool scrollRow = !(flags & NoVerticalScroll);
    const bool scrollColumn = !(flags & NoHorizontalScroll);

    // 1. The cell to follow through the change.
    int referenceRow = -1;
    int referenceColumn = -1;
    if (flags & ReferenceTopLeft) {
        const int row = selectedMinRow();
        const int column = selectedMinColumn();
        if (isValidRow(row) && isSelectableColumn(column)) {
            referenceRow = row;
            referenceColumn = column;
        }
    }
    QString referenceIdentifier;
    if (referenceRow < 0 && m_active && isValidRow(m_active->row)) {
        referenceRow = m_active->row;
        referenceIdentifier = m_active->identifier;
        // A hidden column leaves the index the cell was made with.
        referenceColumn = activeColumn() >= 1 ? activeColumn() : m_active->column;
    }
    if (referenceRow < 0) {
        enumerateSelectedCellsUsingBlock([&](int row, int column) {
            referenceRow = row;
            referenceColumn = column;
            return false;
        });
    }
    if (referenceIdentifier.isEmpty())
        referenceIdentifier = m_grid.columnIdentifier(referenceColumn);
    const SelectionGrid::RowObject referenceObject = m_grid.objectAtRow(referenceRow);
    m_lastSelectedColumnIndex = referenceColumn;

    // 2. Whether whole columns are selected.
    const int rangeStartColumn = m_startColumn;
    const int rangeEndColumn = m_endColumn;
    const bool coveredAllRows = (flags & KeepWholeColumns) && hasSelectedRange() && m_startRow == 0
        && m_endRow >= rows() - 1;

    // 3. The change itself.
    m_host.endEditing();
    if (hooks.changeWillRun)
        hooks.changeWillRun(undoName);
    try {
        if (change)
            change();
    } catch (...) {
        // A failed change leaves the data as far as it got; the selection
        // is placed on what is there.
    }
    if (hooks.changeDidRun)
        hooks.changeDidRun();

    // 4. Fit the range to the new grid and show the new data.
    adjustColumnsAndRowsOfSelectedRange();
    if (flags & RefreshVisibleOnly)
        m_host.refreshVisibleCells();
    else
        m_host.reloadData();

    // 5. Where the reference went.
    const int R = rows();
    const int C = columns();
    int newRow = referenceObject ? m_grid.rowOfObject(referenceObject) : -1;
    const bool lost = newRow < 0;
    if (lost)
        newRow = std::min(referenceRow, R - 1);
    int newColumn = referenceIdentifier.isEmpty() ? -1 : m_grid.columnWithIdentifier(referenceIdentifier);
    if (newColumn < 0) {
        newColumn = std::min(referenceColumn, C - 1);
        if (newColumn < 1)
            newColumn = -1;
    }

    // 6. Put the selection there.
    if (lost)
        deselectAllNoUpdate();
    if (newColumn >= 1 && newRow >= 0) {
        const bool moved = newRow != referenceRow || newColumn != referenceColumn
            || m_grid.columnIdentifier(newColumn) != referenceIdentifier;
        if (!lost && !moved) {
            // Same place: the selection stays as it is.
        } else if (!lost && isRangeCellAtRow(newRow, newColumn)) {
            setActive(newRow, newColumn);
            scrollTo(newRow, newColumn, scrollRow, scrollColumn);
        } else {
            selectCellAtRow(newRow, newColumn, false, false, scrollRow, scrollColumn);
        }
    }

    // 7.
    if (!(flags & KeepFirstResponder))
        m_host.makeFirstResponder();

    // 8. Rows left but nothing selected: the top of the last column used.
    if (!hasSelection() && R > 0) {
        int column = m_lastSelectedColumnIndex;
        if (column <= 0 || column >= C - 1)
            column = 0;
        selectCellAtRow(0, column, false, false, scrollRow, scrollColumn);
    }

    // 9.
    if (coveredAllRows && R > 0) {
        const int first = std::max(rangeStartColumn, 1);
        const int last = std::min(rangeEndColumn, C - 1);
        if (first <= last) {
            setRange(0, R - 1, first, last);
            if (m_active && !isRangeCellAtRow(m_active->row, activeColumn()))
                setActive(std::clamp(m_active->row, 0, R - 1), std::clamp(activeColumn(), first, last));
        }
    }

    // 10.
    updateSelectionOfCells();
}

// --- Editing -----------------------------------------------------------------

void QZTagLibTableSelection::beginEditingAtRow(int row, int column, const KeyPress* event,
                                               Qt::KeyboardModifiers clickModifiers)
{
    if (!isValidRow(row) || !isSelectableColumn(column))
        return;
    if (!m_host.isCellFullyVisible(row, column))
        scrollTo(row, column, true, true);
    if (!m_host.hasCellView(row, column))
        return;
    if (m_grid.isColumnReadOnly(column) || !m_grid.isRowEditable(row)) {
        m_host.showReadOnlyExplanation(row, column);
        return;
    }
    if (m_grid.columnIdentifier(column) == QLatin1String("filename")) {
        const bool introduction = m_settings && !m_settings->composeFileNamePopoverShown();
        const bool gesture = event ? tagmint::table::isComposeGesture(*event)
                                   : tagmint::table::isComposeClick(clickModifiers);
        if (introduction || gesture) {
            m_host.showFileNameComposer(row, column, introduction);
            return;
        }
    }
    // A picture is never edited as text, whatever started the edit.
    if (m_grid.columnIdentifier(column) == tagmint::record::fieldKey(RecordField::Image)) {
        m_host.beginArtworkEdit(row, column);
        return;
    }
    // The editor opens at once, so keys typed while the introduction shows
    // still reach the cell.
    m_host.beginEditing(row, column, event);
    if (m_settings && !m_settings->introductoryPopoverAboutCellEditingShown()) {
        m_settings->setIntroductoryPopoverAboutCellEditingShown();
        m_host.showEditingIntroduction(row, column);
    }
}

QString QZTagLibTableSelection::editingIntroductionTitle() { return QStringLiteral("Edit"); }

QString QZTagLibTableSelection::editingIntroductionButton() { return QStringLiteral("Start Editing"); }

QString QZTagLibTableSelection::editingIntroductionText()
{
    return QStringLiteral(
        "Several selected cells in column can be edited at the same time.\n"
        "Cells can be selected by mouse or by pressing Shift and Arrows.\n\n"
        "Press Enter or double click to edit one or more selected cells in column.\n"
        "When editing is done, press Enter again to accept changes.\n");
}
