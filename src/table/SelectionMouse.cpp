#include "table/SelectionMouse.h"

#include "table/QZTagLibTableSelection.h"
#include "table/SelectionGrid.h"
#include "table/SelectionHost.h"

using tagmint::table::hasShift;

bool SelectionMouse::press(const MouseClick& click)
{
    const int R = m_selection.grid().rowCount();
    const int C = m_selection.grid().columnCount();
    int row = click.row;
    int column = click.column;
    const bool extend = hasShift(click.modifiers);
    // Shift below or right of the grid reaches the last row or column.
    if (extend) {
        if (row >= R)
            row = R - 1;
        if (column >= C)
            column = C - 1;
    }
    if (row < 0 || row >= R || column < 0 || column >= C) {
        m_initialRow = m_initialColumn = -1;
        return false;
    }
    m_initialRow = row;
    m_initialColumn = column;
    // Dragging starts from the pressed cell; moving within it changes nothing.
    m_lastDragRow = row;
    m_lastDragColumn = column;

    if (column == 0) {
        // The row number is not a cell to edit: a double click there acts
        // as a single click.
        m_selection.selectFullRow(row, column, extend);
    } else if (click.clickCount <= 1) {
        m_selection.selectCellAtRow(row, column, extend);
    } else {
        if (!m_selection.isCellSelectedAtRow(row, column))
            m_selection.selectCellAtRow(row, column, false);
        m_selection.beginEditingAtRow(row, column, nullptr, click.modifiers);
    }

    if (m_selection.hooks.mouseDown)
        m_selection.hooks.mouseDown();
    m_selection.host().takeFocusFromOutside();
    return true;
}

void SelectionMouse::drag(int row, int column)
{
    if (m_initialRow < 0 || m_initialColumn < 0)
        return;
    if (row == m_lastDragRow && column == m_lastDragColumn)
        return;
    m_lastDragRow = row;
    m_lastDragColumn = column;

    const int R = m_selection.grid().rowCount();
    const int C = m_selection.grid().columnCount();
    if (row < 0 || row >= R)
        row = row < 0 ? 0 : R - 1;
    if (column < 0 || column >= C)
        column = column < 0 ? 1 : C - 1;
    if (column == 0)
        m_selection.selectFullRow(row, column, true);
    else if (R > 0 && C >= 2)
        m_selection.selectCellAtRow(row, column, true);
}

void SelectionMouse::rightPress(int row, int column)
{
    const int R = m_selection.grid().rowCount();
    const int C = m_selection.grid().columnCount();
    if (row >= 0 && row < R && column >= 1 && column < C
        && !m_selection.isCellSelectedAtRow(row, column))
        m_selection.selectCellAtRow(row, column, false);
    m_selection.host().makeFirstResponder();
}

bool SelectionMouse::headerDoubleClick(int leftColumn, int column, int rightColumn)
{
    if (leftColumn == column && column == rightColumn)
        return false;
    if (leftColumn < 1 || leftColumn >= m_selection.grid().columnCount())
        return false;
    if (m_selection.hooks.columnResize)
        m_selection.hooks.columnResize(leftColumn);
    return true;
}
